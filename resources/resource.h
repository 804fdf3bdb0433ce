// Resource numbers of lorvane.dll: dialogs, controls and the six target icons.
#pragma once

#include "cdpd_resource.h"
#include "threeg_resource.h"

#define IDD_ACCOUNT 102
#define IDD_SERVER 111

#define IDC_ACCOUNT_ID 1010
#define IDC_SERVER_ADDRESS 1013
#define IDC_SERVER_IS_ADDRESS 1016

// The six target icons: icon index i (0 to 5) is resource 195 + i.
#define IDI_TARGET_FIRST 195
#define IDI_TARGET_COUNT 6
