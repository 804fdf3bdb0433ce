// Control and dialog numbers of the CDPD setup dialogs 104 to 106. Control numbers are per
// dialog: 1006 is the "&Add..." button of 104 and the modem box of 106, 1007 the list of 104 and
// the icon list of 105 and 106.
#pragma once

#define IDD_CDPD_SETUP 104
#define IDD_CDPD_ADD 105
#define IDD_CDPD_MODIFY 106

// 104, "Lorvane Setup"
#define IDC_CDPD_ADD 1006
#define IDC_CDPD_LIST 1007
#define IDC_CDPD_DELETE 1008
#define IDC_CDPD_MODIFY 1009
#define IDC_CDPD_QUERY 1010
#define IDC_CDPD_SEND_POSIT 1025
// The setup dialog sets the texts of these two to the names of the list file's header words; it
// has no such controls, so the names show nowhere.
#define IDC_CDPD_MODEM_MODEL 1001
#define IDC_CDPD_SERIAL_PORT 1002

// 105, "Lorvane IP Address Setup", and 106, "Modify Description & Frequency"
#define IDC_CDPD_ICON_PREVIEW 1005
#define IDC_CDPD_ICONS 1007
#define IDC_CDPD_DESCRIPTION 1016

// 105 only
#define IDC_CDPD_ADD_MODEM 1004
#define IDC_CDPD_OCTET1 1012
#define IDC_CDPD_OCTET2 1013
#define IDC_CDPD_OCTET3 1014
#define IDC_CDPD_OCTET4 1015

// 106 only
#define IDC_CDPD_MODIFY_MODEM 1006
#define IDC_CDPD_ADDRESSES 1021
#define IDC_CDPD_FREQUENCY 1022
#define IDC_CDPD_RESOLUTION 1023
#define IDC_CDPD_FREQUENCY_SPIN 1024
