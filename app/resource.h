/* Identifiers of the main window's controls, menu commands and resources.
   Shared by the code, the resource script and the end-to-end test driver,
   which finds the controls by these numbers. */
#ifndef DIZI_APP_RESOURCE_H
#define DIZI_APP_RESOURCE_H

/* Controls of Form1 (child window identifiers). */
#define IDC_LISTBOX1 1001
#define IDC_TREEVIEW1 1002
#define IDC_PROGRESSBAR1 1003
#define IDC_BITBTN2 1004 /* Scan */
#define IDC_PANEL1 1005  /* About panel */
/* Controls inside Panel1. */
#define IDC_IMAGE2 1006 /* background picture */
#define IDC_LABEL1 1007
#define IDC_IMAGE1 1008  /* banner */
#define IDC_BITBTN1 1009 /* Go Back */

/* Menu commands of MainMenu1. */
#define IDM_PREFORMAFULLSCAN1 2001
#define IDM_JUSTFIXUPMYREGEDITMSCONFIG1 2002
#define IDM_EXIT1 2003
#define IDM_REEVIEW1 2004 /* "Tree View" */
#define IDM_LISTVIEW1 2005
#define IDM_BUGSPROBLEMSSUGGESTIONS1 2006
#define IDM_ABOUTSPECIALTHANKS1 2007
#define IDM_CONTACT1 2008
#define IDM_RESTOREFROMQUARANTINE1 2009

/* Controls of the "Restore from quarantine" window; Close is IDCANCEL. */
#define IDC_QUARANTINE_LABEL 1101
#define IDC_QUARANTINE_ITEMS 1102
#define IDC_QUARANTINE_RESTORE 1103
#define IDC_QUARANTINE_DELETE 1104
#define IDC_UNDO_LABEL 1105
#define IDC_UNDO_FILES 1106
#define IDC_UNDO_IMPORT 1107

/* Resources. */
#define IDI_MAIN 1
#define IDB_SCAN 101   /* 32 x 32, doctor with a syringe */
#define IDB_GOBACK 102 /* 32 x 32, open door with exit sign and green arrow */
#define IDR_BACKGROUND_JPEG 201
#define IDR_BANNER_JPEG 202

#endif
