// The settings dialog in this process, where a window of its can be refused.
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

namespace
{

LRESULT CALLBACK RefusePreviewWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
    {
        const char* name = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpA(name, "Solmir Preview") == 0)
        {
            return 1;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
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

} // namespace
