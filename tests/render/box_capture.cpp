#include "box_capture.h"

static BoxCapture* g_pCapture; // the capture in force on this thread

static BOOL CALLBACK ReadBoxChild(HWND child, LPARAM lParam)
{
    CapturedBox* box = (CapturedBox*)lParam;
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    // A box is not shown yet when it is activated: look at the children's
    // own visibility bits rather than IsWindowVisible.
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    const bool shown = (style & WS_VISIBLE) != 0;
    if (lstrcmpiA(cls, "Button") == 0 && shown)
    {
        ++box->buttons;
        box->okButton = box->okButton || GetDlgCtrlID(child) == IDOK;
    }
    else if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
    {
        box->icon = shown ? (HICON)SendMessageA(child, STM_GETICON, 0, 0) : box->icon;
    }
    else if (lstrcmpiA(cls, "Static") == 0)
    {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        box->text = text[0] != '\0' ? text : box->text;
    }
    return TRUE;
}

CapturedBox ReadBox(HWND wnd)
{
    CapturedBox box = {};
    char caption[256] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    box.caption = caption;
    box.hasOwner = GetWindow(wnd, GW_OWNER) != NULL;
    EnumChildWindows(wnd, ReadBoxChild, (LPARAM)&box);
    return box;
}

static LRESULT CALLBACK CaptureBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    char cls[64] = {};
    if (code == HCBT_ACTIVATE && g_pCapture && GetClassNameA((HWND)wParam, cls, sizeof cls) &&
        lstrcmpA(cls, "#32770") == 0)
    {
        g_pCapture->boxes.push_back(ReadBox((HWND)wParam));
        PostMessageA((HWND)wParam, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

BoxCapture::BoxCapture()
{
    g_pCapture = this;
    hook = SetWindowsHookExA(WH_CBT, CaptureBoxHook, NULL, GetCurrentThreadId());
}

BoxCapture::~BoxCapture()
{
    if (hook)
    {
        UnhookWindowsHookEx(hook);
    }
    g_pCapture = nullptr;
}
