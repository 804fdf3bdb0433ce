// Control and dialog numbers of the 3G setup dialogs 107 to 109. Control numbers are per dialog:
// 1010 is the ID field of 107, the "&Query" button of 108 and the account field of 102.
#pragma once

#define IDD_THREEG_ADD 107
#define IDD_THREEG_SETUP 108
#define IDD_THREEG_MODIFY 109

// 108, "Lorvane Setup"
#define IDC_THREEG_ADD 1006
#define IDC_THREEG_LIST 1007
#define IDC_THREEG_DELETE 1008
#define IDC_THREEG_MODIFY 1009
#define IDC_THREEG_QUERY 1010
#define IDC_THREEG_ACCOUNT 1023
#define IDC_THREEG_SEND_POSIT 1025

// 107, "Lorvane ID Setup", and 109, "Modify Trackee Info"
#define IDC_THREEG_PREVIEW 1005
#define IDC_THREEG_ICONS 1007
#define IDC_THREEG_ID 1010
#define IDC_THREEG_DESCRIPTION 1016
#define IDC_THREEG_IDS 1021
#define IDC_THREEG_FREQUENCY 1022
#define IDC_THREEG_RESOLUTION 1023
#define IDC_THREEG_FREQUENCY_SPIN 1024
// A command of 109 that no control of it gives: the help on "/t", "/s" and "/a".
#define IDC_THREEG_SUFFIX_HELP 1008
