// Ids of the dialog templates the Windows tests open (test_resources.rc).
// Plain macros: the resource compiler reads this file as well.
#pragma once

#define IDD_TEST_CONTROLS 900  // one control of every kind the surface drives
#define IDD_TEST_CHILD 901     // a small dialog run from another one
#define IDD_TEST_DISKS 902     // room for disk bars and a striped list
#define IDM_TEST_SEGMENT 950   // a popup menu with two sub-menus

#define IDM_TEST_ADD 32771     // sub-menu 0
#define IDM_TEST_DELETE 32772  // sub-menu 1
#define IDM_TEST_UNMOUNT 32775
#define IDM_TEST_MOUNT 32776

#define IDC_TEST_EDIT 1100
#define IDC_TEST_BUTTON 1101
#define IDC_TEST_LABEL 1102
#define IDC_TEST_LIST 1103        // report style, single selection, a few rows high
#define IDC_TEST_PLAIN_LIST 1104  // report style, several selections
#define IDC_TEST_DROPLIST 1105    // drop-down list combo
#define IDC_TEST_DROPDOWN 1106    // drop-down combo with an edit field
#define IDC_TEST_IP 1107
#define IDC_TEST_PROGRESS 1108
#define IDC_TEST_GROUP 1109       // a group box with a border to be removed
#define IDC_TEST_CHECK 1110       // automatic check box
#define IDC_TEST_CHECK2 1111
#define IDC_TEST_MISSING 1199     // in no template

#define IDC_DISKS_LIST 1046       // report style, several selections
#define IDC_DISKS_BAR 1048        // id of the bars made at run time

#define IDC_CHILD_EDIT 1200
#define IDC_CHILD_APPLY 1201
