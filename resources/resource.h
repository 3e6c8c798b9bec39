// Numbers of the resources compiled into the executable (resources.rc).
#pragma once

// Check mark drawn tinted by the check box, for 96, 120, 144 and 192 DPI.
#define IDR_PNG_CHECK_96 101
#define IDR_PNG_CHECK_120 102
#define IDR_PNG_CHECK_144 103
#define IDR_PNG_CHECK_192 104
// Horizontal-resize cursor of the skin.
#define IDC_SKIN_RESIZE 105
// Message-box icons: error, information, question, warning.
#define IDR_PNG_MSGBOX_ERROR 106
#define IDR_PNG_MSGBOX_INFO 107
#define IDR_PNG_MSGBOX_QUESTION 108
#define IDR_PNG_MSGBOX_WARNING 109
#define IDR_PNG_SERVER_DEFAULT 110
#define IDR_PNG_UPDATE 138
// The window icon, the default background and the game picture.
#define IDI_APP_ICON 111
#define IDR_JPG_BACKGROUND 112
#define IDR_PNG_GAME 137
// The About dialog's text: the mirror's terms and the libraries' licences.
#define IDR_TXT_ABOUT 117
