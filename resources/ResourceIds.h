// Numeric ids of the executable's resources and commands; the language file uses the same numbers.
#pragma once

// Strings
#define IDS_APP_NAME 128
#define IDS_COLUMN_NAME 202
#define IDS_COLUMN_WIDTH 203
#define IDS_COLUMN_HEIGHT 204
#define IDS_OPEN_FILTER 205
#define IDS_NO_READER 206
#define IDS_ERROR_CAPTION 207
#define IDS_CANNOT_OPEN 208
#define IDS_WRONG_PASSWORD 209
#define IDS_PASSWORD_PROMPT 210
#define IDS_DEFAULT_IMAGE_NAME 211
#define IDS_PIXELS 212
#define IDS_IMAGE_COUNT 213
#define IDS_SELECTED_COUNT 214
#define IDS_SAVE_FILTER 215
#define IDS_TYPE_BMP 216
#define IDS_TYPE_GIF 217
#define IDS_TYPE_JPEG 218
#define IDS_TYPE_PNG 219
#define IDS_BROWSE_FOLDER 220
#define IDS_FOLDER_ERROR 221
#define IDS_FOLDER_REQUIRED 222
#define IDS_EXTRACT_PROGRESS 223
#define IDS_NO_IMAGES 227
#define IDS_OPENING 228
#define IDS_WRITE_FAILED 229
// Overwrite question, missing encoder, failed start and failed copy
#define IDS_FILES_EXIST 240
#define IDS_REPLACE_FILES 241
#define IDS_KEEP_BOTH_FILES 242
#define IDS_CANCEL_WRITING 243
#define IDS_NO_ENCODER 244
#define IDS_EXTRACT_NOT_STARTED 245
#define IDS_CANNOT_COPY_IMAGE 246
#define IDS_CANNOT_READ 247
// An encrypted archive that no password can open here
#define IDS_PROTECTED_ARCHIVE 251
#define IDS_OVER_PIXEL_LIMIT 252
#define IDS_OVER_STREAM_LIMIT 253
#define IDS_PREVIEW_OVER_LIMIT 254
// A listed picture of a kind no decoder reads
#define IDS_KIND_NOT_DECODED 255
// The fifth type of the type list: pictures as stored in their documents
#define IDS_TYPE_ORIGINAL 256
// Names Windows refuses, a damaged document, and what an extraction wrote
#define IDS_TEMPLATE_ERROR 257
#define IDS_TEMPLATE_FORBIDDEN 258
#define IDS_FOLDER_FORBIDDEN 259
#define IDS_DOCUMENT_DAMAGED 260
#define IDS_EXTRACT_WRITTEN 261
#define IDS_EXTRACT_WRITTEN_FAILED 262
// What screen readers call the toolbar, the image list and the preview
#define IDS_TOOLBAR_NAME 270
#define IDS_IMAGE_LIST_NAME 271
#define IDS_PREVIEW_NAME 272

// Commands (also tooltip strings)
#define IDM_EXTRACT_SELECTED 32773
#define IDM_EXTRACT_ALL 32774
#define IDM_ABOUT 32775
#define IDM_OPEN 57601
#define IDM_COPY_IMAGE 57634
#define IDM_SELECT_ALL 57642  // keyboard only: no menu item, no tooltip

// Dialogs and their controls
#define IDD_PASSWORD 129
#define IDD_EXTRACT_SETTINGS 213
#define IDD_PROGRESS 1007
#define IDD_ABOUT 1010

#define IDC_PASSWORD_EDIT 1000
#define IDC_PASSWORD_PROMPT 1001
#define IDC_EXTRACT_FOLDER 1002
#define IDC_EXTRACT_BROWSE 1003
#define IDC_EXTRACT_TEMPLATE 1004
#define IDC_EXTRACT_HINT 1005
#define IDC_EXTRACT_TYPE 1006
#define IDC_PROGRESS_BAR 1008
#define IDC_PROGRESS_TEXT 1009
#define IDC_ABOUT_SITE 1011
#define IDC_ABOUT_PICTURE 1012
#define IDC_ABOUT_SUPPORT 1013
#define IDC_ABOUT_VERSION 1014

// Menus, bitmaps, icons
#define IDR_CONTEXT_MENU 221
#define IDB_TOOLBAR 130
#define IDB_ROW_ICON 131
#define IDI_APP 201
#define IDI_PASSWORD 202
#define IDR_LOGO 1015
