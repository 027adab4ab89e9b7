/* Resource ids: templates, controls, pictures and icons. Shared by setup.rc,
   the program and the test robot. */
#ifndef SETUP_RESOURCE_H
#define SETUP_RESOURCE_H

/* Dialog templates. */
#define IDD_WELCOME 101
#define IDD_END 102
#define IDD_INSTALL 103
#define IDD_BROWSE 104
#define IDD_DESTINATION 107
#define IDD_MOUSE_TYPE 108
#define IDD_WARNING 109

/* Buttons shared by the pages. */
#define IDC_NEXT 1
#define IDC_CANCEL 2
#define IDC_BACK 3
#define IDC_FINISH 1         /* End page: its only button */
#define IDC_INSTALL_CANCEL 1 /* Install page: its only button */

/* Page controls. */
#define IDC_DEST_TEXT 1003
#define IDC_SEPARATOR 1006
#define IDC_FRAME1 1009
#define IDC_FRAME2 1010
#define IDC_PROGRESS_FRAME 1011
#define IDC_FRAME3 1012
#define IDC_PERCENT 1013
#define IDC_PERCENT2 1014
#define IDC_DISK_ICON1 1015
#define IDC_DISK_ICON2 1016
#define IDC_DISK_ICON3 1017
#define IDC_DOTS_ICON 1018
#define IDC_STATUS 1019
#define IDC_SIDE_PICTURE 1022
#define IDC_TEXT1 1023
#define IDC_TEXT2 1024
#define IDC_BROWSE 1025
#define IDC_RESTART_YES 1032
#define IDC_RESTART_NO 1033
#define IDC_SERIAL 1034
#define IDC_PS2 1035

/* Browse Directory template: the old-style common dialog's own ids, and the
   path box. */
#define IDC_BROWSE_PATH 1003
/* Its caption, in the template and as the title the dialog is asked to
   show (Wine's old-style Open dialog otherwise says "Open File"). */
#define BROWSE_CAPTION "Browse Directory"

/* Pictures. */
#define IDB_PS2_PLUG 112
#define IDB_SERIAL_PLUG 113
#define IDB_DISK_OFF 300
#define IDB_DISK_ON 301
#define IDB_FLOPPY_OFF 302
#define IDB_FLOPPY_ON 303
#define IDB_SIDE 304
#define IDB_TITLE_BANNER 306
#define IDB_NOTICE_BANNER 307

/* Icon groups. */
#define IDI_SETUP 200
#define IDI_DISKETTE 201
#define IDI_DOTS 202
#define IDI_WARNING_SIGN 204
#define IDI_UNINSTALL 205 /* UNINSTAL.EXE's own icon */

#endif
