// Resource and control IDs, shared by the code and the resource script.
#pragma once

#define IDI_TUNESTOW          104

#define IDD_CONFIGURATION     10100
#define IDC_ARCHIVE_FROM      101
#define IDC_IMMEDIATE_MODE    102
#define IDC_SCRIPT_MODE       103
#define IDC_SCRIPT_FILE       104
#define IDC_PLAY_NEXT_TRACK   105
#define IDC_LABEL_FROM        107
#define IDC_LABEL_SCRIPT      108
#define IDC_MODE_GROUP        109
#define IDC_ARCHIVE_TO        110
#define IDC_LABEL_TO          111
#define IDC_NOTICE            112
