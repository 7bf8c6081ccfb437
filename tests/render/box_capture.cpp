#include "box_capture.h"

static BoxCapture* g_pCapture; // the capture in force on this thread

static BOOL CALLBACK ReadBoxChild(HWND child, LPARAM lParam)
{
    CapturedBox* box = (CapturedBox*)lParam;
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    // The box is not shown yet when it is activated: look at the children's
    // own visibility bits rather than IsWindowVisible.
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    const bool shown = (style & WS_VISIBLE) != 0;
    if (lstrcmpiA(cls, "Button") == 0)
    {
        if (shown)
        {
            ++box->buttons;
            if (GetDlgCtrlID(child) == IDOK)
            {
                box->okButton = true;
            }
        }
    }
    else if (lstrcmpiA(cls, "Static") == 0)
    {
        if ((style & SS_TYPEMASK) == SS_ICON)
        {
            if (shown)
            {
                box->icon = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
            }
        }
        else
        {
            char text[1024] = {};
            GetWindowTextA(child, text, sizeof text);
            if (text[0] != '\0')
            {
                box->text = text;
            }
        }
    }
    return TRUE;
}

static LRESULT CALLBACK CaptureBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_pCapture)
    {
        HWND wnd = (HWND)wParam;
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0)
        {
            CapturedBox box = {};
            char caption[256] = {};
            GetWindowTextA(wnd, caption, sizeof caption);
            box.caption = caption;
            box.hasOwner = GetWindow(wnd, GW_OWNER) != NULL;
            EnumChildWindows(wnd, ReadBoxChild, (LPARAM)&box);
            g_pCapture->boxes.push_back(box);
            PostMessageA(wnd, WM_COMMAND, IDOK, 0);
        }
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

HICON SystemIcon(LPCSTR id)
{
    return LoadIconA(NULL, id);
}
