// Runs the Windows tests in-process under the stand-in host: its main window
// is the plug-in's host window, and this program's own resources stand in
// for the module's.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include "gen_tunestow.h"
#include "stand_in_host.h"

int main(int argc, char** argv) {
    plugin.hwndParent = hostCreateWindow();
    plugin.hDllInstance = GetModuleHandleA(nullptr);
    hostWatchMessageBoxes();
    doctest::Context context(argc, argv);
    return context.run();
}
