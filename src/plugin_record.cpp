// The plugin record and the module's icon. See plugin_record.h.
#include "plugin_record.h"

#include "config_dialog.h"

winampGeneralPurposePlugin plugin = {
    GPPHDR_VER, "Tunestow", init, config, quit, nullptr, nullptr,
};

HICON Icon;
