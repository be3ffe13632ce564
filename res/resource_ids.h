// Identifiers shared by the resource scripts and the code.
#pragma once

// Templates, icon, program strings.
#define IDD_OS_PAGE 102
#define IDD_SETTINGS_PAGE 129
#define IDD_TEST_PAGE_PROMPT 134
#define IDD_PROGRESS 135
#define IDI_KESTRIN 128
#define IDS_MODEL_MELOR 130
#define IDS_MODEL_TAVIK 131

// Operating-system page. Windows 8 and Windows 7 run against the list order.
#define IDC_WINDOWS_2000 1000
#define IDC_WINDOWS_XP 1001
#define IDC_WINDOWS_2003 1002
#define IDC_WINDOWS_VISTA 1003
#define IDC_WINDOWS_8 1004
#define IDC_WINDOWS_7 1005
#define IDC_OS_BACK 1006
#define IDC_OS_NEXT 1007
#define IDC_OS_CANCEL 1008
#define IDC_OS_GROUP 1017

// Settings page.
#define IDC_SETTINGS_BACK 1006
#define IDC_PRINTER_TYPE 1008
#define IDC_SET_AS_DEFAULT 1009
#define IDC_PORT 1010
#define IDC_SETTINGS_OK 1011
#define IDC_SETTINGS_CANCEL 1012
#define IDC_PRINTER_NAME 1013
#define IDC_BAUD_RATE 1014
#define IDC_STOP_BITS 1015
#define IDC_FLOW_CONTROL 1016
#define IDC_BYTE_SIZE 1017
#define IDC_PARITY 1018
#define IDC_PRINTER_TYPE_LABEL 1019
#define IDC_PRINTER_NAME_LABEL 1020
#define IDC_PRINTER_GROUP 1021
#define IDC_PORT_GROUP 1022
#define IDC_PORT_LABEL 1023
#define IDC_BAUD_RATE_LABEL 1024
#define IDC_BYTE_SIZE_LABEL 1025
#define IDC_STOP_BITS_LABEL 1026
#define IDC_PARITY_LABEL 1027
#define IDC_FLOW_CONTROL_LABEL 1028

// Test-page prompt. Its OK is 3, not the dialog manager's accept command.
#define IDC_PROMPT_OK 3
#define IDC_PROMPT_CANCEL 2
#define IDC_PRINT_YES 1000
#define IDC_PRINT_NO 1001
#define IDC_PROMPT_BACK 1016

// Progress window, while the installation or removal runs. Its Cancel shows only while
// the run waits for another installation.
#define IDC_PROGRESS_STATUS 1030
#define IDC_PROGRESS_BAR 1031
#define IDC_PROGRESS_CANCEL 1032

// Texts of the language libraries.
#define IDS_NEXT 102
#define IDS_BACK 103
#define IDS_CANCEL 104
#define IDS_OK 105
#define IDS_SETTINGS_TITLE 106
#define IDS_PRINTER_TYPE 107
#define IDS_PRINTER_SETTINGS 108
#define IDS_SET_AS_DEFAULT 109
#define IDS_PRINTER_NAME 110
#define IDS_PORT_SETTINGS 111
#define IDS_PORTS 112
#define IDS_BAUD_RATE 113
#define IDS_BYTE_SIZE 114
#define IDS_STOP_BITS 115
#define IDS_FLOW_CONTROL 116
#define IDS_PARITY 117
#define IDS_USB_WARNING 118
#define IDS_SELECT_OS 132
#define IDS_PARITY_EVEN 133
#define IDS_PARITY_ODD 134
#define IDS_PARITY_NONE 135
#define IDS_PARITY_MARK 136
#define IDS_PARITY_SPACE 137
#define IDS_FLOW_NONE 138
#define IDS_FLOW_XON_XOFF 139
#define IDS_FLOW_HARDWARE 140

// What a failed installation tells the person at the screen; {0} stands for the code, in
// the record file's text for its path.
#define IDS_FAILED_SETUP_MISSING 141
#define IDS_FAILED_NOT_CREATED 142
#define IDS_FAILED_RECORD_FILE 143
#define IDS_FAILED_SERIAL_PORT 144
#define IDS_FAILED_EXIT_CODE 145
#define IDS_RUN_AS_ADMINISTRATOR 146

// Why an installation or a removal failed, and what to do: {0} stands for the system's
// error number, {1} for the system's own text.
#define IDS_WHY_PORT_MISSING 147
#define IDS_WHY_DRIVER_MISSING 148
#define IDS_WHY_ACCESS_DENIED 149
#define IDS_WHY_NO_COM_PORT 150
#define IDS_WINDOWS_ERROR 151
#define IDS_USE_64BIT_PROGRAM 152

// Removal: {0} stands for the printer's name, or the record file's path.
#define IDS_REMOVE_QUESTION 153
#define IDS_REMOVED 154
#define IDS_NOTHING_TO_REMOVE 155
#define IDS_NOT_REMOVED 156
#define IDS_WHY_OTHER_BASE_NAME 157
#define IDS_WHY_OTHER_DRIVER 158
#define IDS_WHY_RECORD_STAYS 159

// A port the machine lacks ({0} the port, {1} the ports it has), and a USB printer that
// /port:USB could not tell ({0} each USB printer port and the IDs of its device).
#define IDS_WHY_NO_SUCH_PORT 170
#define IDS_WHY_NO_USB_PRINTER 171
#define IDS_WHY_SEVERAL_USB_PRINTERS 172
// A driver the INF has for this Windows that did not install: its publisher, most likely.
#define IDS_WHY_DRIVER_NOT_TRUSTED 173
// ARM64 Windows, and an INF without a driver for ARM64 processors: nothing was installed.
#define IDS_WHY_NO_ARM64_DRIVER 187

// What the progress window says the run is doing, one text for each step.
#define IDS_STEP_STARTING 174
#define IDS_STEP_WAITING 175
#define IDS_STEP_NAME_SEARCH 176
#define IDS_STEP_DRIVER_INSTALLATION 177
#define IDS_STEP_PRINTER_CREATION 178
#define IDS_STEP_RECORD_FILE 179
#define IDS_STEP_DEFAULT_PRINTER 180
#define IDS_STEP_COM_PORT 181
#define IDS_STEP_TEST_PAGE 182
#define IDS_STEP_RECORD_READING 183
#define IDS_STEP_PRINTER_REMOVAL 184
#define IDS_STEP_DRIVER_REMOVAL 185
#define IDS_STEP_RECORD_REMOVAL 186

// The program's title, for message boxes.
#define IDS_APP_TITLE 0xE000
