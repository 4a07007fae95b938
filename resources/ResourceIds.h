// Identifiers of the Windows program's resources, shared by the .rc file and the C++ code.
#pragma once

// Menus, accelerators, icon.
#define IDR_MAINFRAME 128
#define IDR_EDIT_CONTEXT 307

// The licence agreement: an RTF document (code page 1252, ending in a zero byte) of its own resource type.
#define IDR_LICENSE 213
#define RT_LICENSE_RTF 256

// Dialog templates.
#define IDD_ABOUT 100
#define IDD_RELEASE_NOTES 212
#define IDD_LICENSE 214
#define IDD_PORT 201
#define IDD_FIRMWARE 202
#define IDD_COMMAND_TESTER 206
#define IDD_EDIT_MACROS 216
#define IDD_LOADER 277

// Main menu commands.
#define ID_APP_EXIT 57665
#define ID_APP_ABOUT 57664
#define ID_VIEW_STATUS_BAR 59393
#define ID_VIEW_TRACE 32797
#define ID_VIEW_VERBOSE 32782
#define ID_HELP_CONTENTS 32780
#define ID_HELP_RELEASE_NOTES 32778
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// The status bar's control id (the same number as its View command).
#define IDW_STATUS_BAR 59393

// Edit commands of the rich-edit context menu.
#define ID_EDIT_CLEAR 57632
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_SELECT_ALL 57642
#define ID_EDIT_UNDO 57643

// Port page.
#define IDC_PORT_LIST 1000
#define IDC_TEST_COMMUNICATIONS 1002
#define IDC_CLOSE_PORT 2309

// Firmware page.
#define IDC_FOLDER_GROUP 2337
#define IDC_DEFAULT_FOLDER 1038
#define IDC_BROWSE_FOLDER 1004
#define IDC_FOLDER_EDIT 1005
#define IDC_CHECK_GROUP 2338
#define IDC_CHECK_REVISION 1007
#define IDC_COPY_NEW_FILES 1006
#define IDC_REVISION_GROUP 1037
#define IDC_INSTALLED_REVISION 1019
#define IDC_AVAILABLE_REVISION 1024
#define IDC_SEND_FIRMWARE 1016
#define IDC_LOG_GROUP 2339
#define IDC_LOG 1029

// Command Tester page (its output window shares the log's id 1029).
#define IDC_COMMAND_LABEL 1105
#define IDC_COMMAND_BOX 1028
#define IDC_MACRO_FIRST 3201
#define IDC_MACRO_LAST 3216
#define IDC_EDIT_MACROS 2390
#define IDC_CLEAR_OUTPUT 1034
#define IDC_OUTPUT 1029

// Edit Macros dialog: label edit 3000+n and text edit 3100+n for n = 1..16.
#define IDC_MACRO_LABEL_BASE 3000
#define IDC_MACRO_TEXT_BASE 3100
#define IDC_LABEL_HEADING 3050
#define IDC_TEXT_HEADING 3150
#define IDC_MACRO_HELP 2363

// Firmware loader dialog (its log shares the id 1029; Cancel is IDCANCEL).
#define IDC_LOADER_PROGRESS 2319
#define IDC_SIZE_GRIP 2320

// About dialog.
#define IDC_ABOUT_TEXT 1003
#define IDC_VIEW_LICENSE 1031

// License Agreement and Release Notes windows: the document's rich edit (the log's id 1029).
#define IDC_DOCUMENT 1029
