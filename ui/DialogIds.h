/* Resource and control ids shared by the resource script and the dialogs.
   Plain macros: the resource compiler reads this file too. */
#ifndef VELMORA_DIALOG_IDS_H
#define VELMORA_DIALOG_IDS_H

#define IDS_TITLE_TEXT 1
#define IDB_LOGO 122
#define IDB_LOGO_150 123
#define IDB_LOGO_200 124
#define IDC_POINTING_HAND 129
#define IDC_GRABBING_HAND 130
#define IDC_OPEN_HAND 131

/* Main dialog "VLM". */
#define ID_BRIGHTNESS_SLIDER 10
#define ID_INTENSITY_SLIDER 11
#define ID_BRIGHTNESS_EDIT 20
#define ID_INTENSITY_EDIT 21
#define ID_NAVIGATOR_PANE 30
#define ID_PREVIEW_PANE 32
#define ID_ZOOM_OUT 40
#define ID_ZOOM_IN 41
#define ID_OK 1
#define ID_CANCEL 2
#define ID_HELP_BUTTON 3
#define ID_DEFAULTS 6
#define ID_BRIGHTNESS_GROUP 1029
#define ID_PREVIEW_GROUP 1028
#define ID_INTENSITY_GROUP 1030
#define ID_ZOOM_LABEL 1042
#define ID_BEFORE 1043
#define ID_AFTER 1044
#define ID_LOGO 1045
#define ID_TITLE_TEXT 1046
#define ID_ZOOM_CAPTION 1047
#define ID_SPLIT 1048
#define ID_NAVIGATOR_GROUP 1049
#define ID_LESS_LABEL 1050
#define ID_MORE_LABEL 1051
#define ID_MAXIMUM_LABEL 1052
#define ID_MINIMUM_LABEL 1053

/* About box "ABOUTVLM". */
#define ID_ABOUT_OK 1040
#define ID_ABOUT_VERSION 1041

#endif
