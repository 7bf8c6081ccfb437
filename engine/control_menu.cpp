// The Control Menu: dialog 105 listing the keys, opened by F1 over the
// running animation. A guard keeps a second F1 from stacking another one.
#include "engine/engine.h"
#include "host/host.h"
#include "shell/shell.h"
#include "resource.h"

int g_bControlMenuOpen;

void ShowControlMenu(HWND owner)
{
    if (g_bControlMenuOpen)
    {
        return;
    }
    g_bControlMenuOpen = 1;
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_CONTROL_MENU), owner, ControlMenuProc, 0);
    g_bControlMenuOpen = 0;
}

static INT_PTR OnControlMenuInit(HWND dialog)
{
    CenterOnDesktop(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));
    // Over the saver the cursor is hidden; it shows while the menu is open
    // and is held inside it.
    if (g_bSaverMode)
    {
        ShowCursor(TRUE);
        RECT rect = {};
        GetWindowRect(dialog, &rect);
        ClipCursor(&rect);
    }
    return FALSE; // the focus has been set
}

static INT_PTR OnControlMenuCommand(HWND dialog, WPARAM wParam)
{
    WORD id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL)
    {
        return TRUE;
    }
    if (g_bSaverMode)
    {
        ShowCursor(FALSE);
        ClipCursor(NULL);
    }
    EndDialog(dialog, 1);
    return FALSE;
}

INT_PTR CALLBACK ControlMenuProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message)
    {
    case WM_INITDIALOG:
        return OnControlMenuInit(dialog);
    case WM_COMMAND:
        return OnControlMenuCommand(dialog, wParam);
    default:
        return FALSE;
    }
}
