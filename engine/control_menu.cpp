// The Control Menu: dialog 105 listing the keys, opened by F1 over the
// running animation. A guard keeps a second F1 from stacking another one.
#include "engine/engine.h"
#include "host/host.h"
#include "shell/shell.h"
#include "resource.h"

namespace
{

bool s_bControlMenuOpen; // dialog 105 is open
bool s_bCursorHeld;      // the menu over the saver shows the cursor and holds it inside

// However the menu ends (OK, Cancel, Esc, or destroyed with the saver window),
// the cursor is let go and hidden again exactly once. Holding it inside the
// menu moved it, and the user has not touched the mouse: mouse dismissal
// measures from where it is now, not from where it was before the menu.
void ReleaseCursorHold()
{
    if (!s_bCursorHeld)
    {
        return;
    }
    s_bCursorHeld = false;
    ShowCursor(FALSE);
    ClipCursor(NULL);
    GetCursorPos(&g_ptCursorRef);
}

INT_PTR OnControlMenuInit(HWND dialog)
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
        s_bCursorHeld = true;
    }
    return FALSE; // the focus has been set
}

INT_PTR OnControlMenuCommand(HWND dialog, WPARAM wParam)
{
    WORD id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL)
    {
        return TRUE;
    }
    ReleaseCursorHold();
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
    case WM_DESTROY:
        ReleaseCursorHold();
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void ShowControlMenu(HWND owner)
{
    if (s_bControlMenuOpen)
    {
        return;
    }
    s_bControlMenuOpen = true;
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_CONTROL_MENU), owner, ControlMenuProc, 0);
    s_bControlMenuOpen = false;
}
