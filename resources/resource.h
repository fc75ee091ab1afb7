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
