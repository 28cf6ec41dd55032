// The plugin record that the host receives from the export, and the
// module's icon: module-wide state that lives as long as the module. The
// host fills in its main window and this module's instance before init;
// every unit that talks to the host or loads a resource reads them here.
#pragma once

#include <windows.h>

#include "host_interface.h"

extern winampGeneralPurposePlugin plugin;
extern HICON Icon;   // resource 104; null until init or quit loads it

// The start-up and shutdown routines the record names, with the window
// procedure in the entry point's unit; the configure routine is the
// dialog's.
int init();
void quit();
