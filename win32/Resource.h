#pragma once
// Identifiers shared by the resources and the code. A control's hint is the
// string of the same number in the string table.

#define IDD_MF 100
#define IDI_MIZEL4 1

#define IDC_LABEL1 1001
#define IDC_LABEL3 1002
#define IDC_LABEL2 1003
#define IDC_SAIDAIEDIT 1004
#define IDC_SAISYOUEDIT 1005
#define IDC_HASSEIEDIT 1006
#define IDC_ONAJICHK 1007
#define IDC_SAIDAIBUTTON 1008
#define IDC_EXEBUTTON 1009
#define IDC_COPYBUTTON 1010
#define IDC_SAVEBUTTON 1011
#define IDC_MIZELSTRINGGRID1 1012
#define IDC_STATUSBAR 1013
