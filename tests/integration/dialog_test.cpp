// The dialogs in this process: the settings dialog, where a window of its can be refused; every
// static text, word-wrapped in its font, fits its box (CTest runs this at 96 and 144 dpi).
#include "resource.h"
#include "host/host.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

namespace
{

LRESULT CALLBACK RefusePreviewWindow(int code, WPARAM wParam, LPARAM lParam)
{
    const char* name =
        code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszClass : NULL;
    bool refused = name != NULL && !IS_INTRESOURCE(name) && lstrcmpA(name, "Solmir Preview") == 0;
    return refused ? 1 : CallNextHookEx(NULL, code, wParam, lParam);
}

DWORD WINAPI RunSettingsDialog(void* result)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefusePreviewWindow, NULL, GetCurrentThreadId());
    *static_cast<INT_PTR*>(result) =
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDialogProc, 0);
    UnhookWindowsHookEx(hook);
    return 0;
}

TEST(SettingsDialog, APreviewThatCannotBeSetUpIsReportedAndClosesTheDialog)
{
    g_hInstance = GetModuleHandleA(NULL);
    InitSettingsControls();
    INT_PTR result = 0;
    HANDLE thread = CreateThread(NULL, 0, RunSettingsDialog, &result, 0, NULL);
    HWND box = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindWindowA("#32770", "ERROR")) != NULL; }, 10000));
    EXPECT_EQ("Can't Create The Preview Window.", WindowTitle(GetDlgItem(box, 0xFFFF)));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    EXPECT_EQ(1, result);
    CloseHandle(thread);
}

TEST(DialogText, EveryStaticTextFitsItsBox)
{
    g_hInstance = GetModuleHandleA(NULL);
    InitSettingsControls();
    g_fFrameRate = 2.5f; // the notice's procedure formats it into its text
    for (int id : {IDD_SETTINGS, IDD_ABOUT, IDD_CONTROL_MENU, IDD_FRAME_RATE_NOTICE})
    {
        DLGPROC proc = id == IDD_FRAME_RATE_NOTICE ? FrameRateNoticeProc : NULL;
        HWND dialog = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(id), NULL, proc, 0);
        ASSERT_TRUE(dialog != NULL) << id;
        for (HWND c = GetWindow(dialog, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
        {
            if (WindowClass(c) != "Static" ||
                (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) > SS_RIGHT)
            {
                continue; // icons, frames and lines
            }
            RECT box = {}, need = {};
            GetClientRect(c, &box);
            need.right = box.right;
            const std::string text = WindowTitle(c);
            HDC dc = GetDC(c);
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)));
            DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
            ReleaseDC(c, dc);
            EXPECT_LE(need.right, box.right) << id << ": " << text;
            EXPECT_LE(need.bottom, box.bottom) << id << ": " << text;
        }
        DestroyWindow(dialog);
    }
}

} // namespace
