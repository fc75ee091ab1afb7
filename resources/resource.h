// Resource ids shared by the resource scripts and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_NORVALE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDC_BUSY_CURSOR 238

// Texts that the program shows before any other: the title and the About
// entry of the system menu (the whole table is in strings_en.rc).
#define IDS_ABOUTBOX 101
#define IDS_TITLE 102

// The main dialog's controls.
#define IDC_DEVICE_LIST 1000
#define IDC_SHARE_LIST 1001
#define IDC_REFRESH 1002
#define IDC_SHARE_CONNECT 1003
#define IDC_SHARE_DISCONNECT 1004
#define IDC_LAN_IP 1006
#define IDC_LAN_APPLY 1007
#define IDC_CONFIGURATION 1008
#define IDC_EXIT 1009
#define IDC_LAN_NETMASK 1010
#define IDC_LAN_GATEWAY 1011
#define IDC_DRIVE_LETTERS 1013
#define IDC_DHCP_MODE 1015
#define IDC_ABOUT 1021
#define IDC_TARGET_LIST 1029
#define IDC_TARGET_CONNECT 1030
#define IDC_MANAGEMENT 1031
#define IDC_DEVICE_GROUP 1065
#define IDC_LAN_GROUP 1066
#define IDC_ISCSI_GROUP 1067
#define IDC_SHARE_GROUP 1068
#define IDC_DHCP_LABEL 1069
#define IDC_IP_LABEL 1070
#define IDC_NETMASK_LABEL 1071
#define IDC_GATEWAY_LABEL 1072
#define IDC_DRIVE_LETTERS_LABEL 1073
#define IDC_TARGET_PAGE 1095
#define IDC_TARGET_PAGE_LABEL 1096
#define IDC_SHARE_PAGE_LABEL 1097
#define IDC_SHARE_PAGE 1098

// The main dialog's timers and its system-menu command.
#define IDT_TARGET_LIST 1054
#define IDT_DHCP_CHANGE 1055
#define IDM_ABOUTBOX 0x0010
// The About box (template 100).
#define IDC_ABOUT_ICON 1052
#define IDC_ABOUT_TITLE 1053
#define IDC_ABOUT_LINE 1054
#define IDC_ABOUT_VERSION 1055
// The login dialog (template 134).
#define IDD_LOGIN 134
#define IDC_LOGIN_USER_LABEL 1080
#define IDC_LOGIN_USER 1081
#define IDC_LOGIN_PASSWORD_LABEL 1082
#define IDC_LOGIN_PASSWORD 1083
// The CHAP credentials dialog (template 229).
#define IDD_CHAP_PASSWORD 229
#define IDC_CHAP_USER 1032
#define IDC_CHAP_PASSWORD 1033
#define IDC_CHAP_GROUP 1034
#define IDC_CHAP_STATUS 1035
#define IDC_CHAP_USER_LABEL 1077
#define IDC_CHAP_PASSWORD_LABEL 1078
// The initiator notices: the service start (232) and the install (233).
#define IDD_SERVICE_NOTICE 232
#define IDC_SERVICE_NOTICE_LINE 1086
#define IDC_SERVICE_NOTICE_NAME 1087
#define IDD_INSTALL_NOTICE 233
#define IDC_INSTALL_NOTICE_TEXT 1074
// The Drive Select dialog (template 236).
#define IDD_DRIVE_SELECT 236
#define IDC_DRIVE_SELECT_GROUP 1048
#define IDC_DRIVE_SELECT_LETTERS 1049
#define IDC_DRIVE_SELECT_DEVICE_LABEL 1085
// The disk manager (template 234) and its popup menu (235).
#define IDD_DISK_MANAGER 234
#define IDC_DISK_SEGMENTS 1045
#define IDC_DISK_VOLUMES 1046
#define IDC_DISK_BAR 1048
#define IDC_DISK_MOUNT_LETTERS 1049
#define IDC_DISK_GROUP 1050
#define IDR_DISK_MENU 235
#define ID_DISK_ADD 32771
#define ID_DISK_DELETE 32772
#define ID_DISK_UNMOUNT 32775
#define ID_DISK_MOUNT 32776
