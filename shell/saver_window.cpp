// The saver window: full-screen or inside a preview window, its message loop,
// the outer and the default window procedures, the close gate with the
// password request and the mouse dismissal.
#include "shell/shell.h"

#include "host/host.h"

HWND g_hSaverWnd;
POINT g_ptCursorRef;

namespace
{

typedef HIMC(WINAPI* ImmAssociateContextProc)(HWND, HIMC);

bool g_bPreview;                // the window is a child of a preview window
bool g_bCloseGranted;           // a close was granted; input then gets default handling
bool g_bVerifying;              // a password request is on screen
UINT g_nMouseThreshold = 100;   // dismissal threshold in pixels
DWORD g_dwLastVerifyTick = ~0u; // tick at the end of the last password request; ~0 = none
HMODULE g_hImm;                 // IMM32.DLL when already loaded in the process
ImmAssociateContextProc g_pfnImmAssociateContext; // from g_hImm
HIMC g_hPrevImc; // input context detached from the window at creation

const char kSaverClass[] = "WindowsScreenSaverClass";
const char kSaverTitle[] = "Screen Saver";
const char kPreviewTitle[] = "Preview";
// The icon the class asks for. The program has none of this number (its icons
// are "ID_APP" and 104), so the class ends up without an icon.
const WORD kClassIconId = 100;
// A close request this soon after the last password request ended is refused
// without asking, so one burst of input cannot stack up requests.
const uint32_t kVerifyQuietTicks = 200;
// How long the preview waits for the display settings to take its help request.
const UINT kHelpTimeoutMs = 500;

void HideCursorWhenSaving()
{
    if (!g_bPreview)
    {
        SetCursor(NULL);
    }
}

void DetachInputContext(HWND hwnd)
{
    // The program never loads IMM32 itself: only a process that already has it
    // needs its input method kept off the saver.
    g_hImm = GetModuleHandleA("IMM32.DLL");
    if (!g_hImm)
    {
        return;
    }
    g_pfnImmAssociateContext = reinterpret_cast<ImmAssociateContextProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(g_hImm, "ImmAssociateContext")));
    if (!g_pfnImmAssociateContext)
    {
        return;
    }
    g_hPrevImc = g_pfnImmAssociateContext(hwnd, NULL);
}

void RestoreInputContext(HWND hwnd)
{
    if (g_hImm && g_pfnImmAssociateContext && g_hPrevImc)
    {
        g_pfnImmAssociateContext(hwnd, g_hPrevImc);
    }
}

void OnSaverCreate(HWND hwnd)
{
    DetachInputContext(hwnd);
    GetCursorPos(&g_ptCursorRef);
    HideCursorWhenSaving();
}

void OnSaverDestroy(HWND hwnd)
{
    RestoreInputContext(hwnd);
    PostQuitMessage(0);
}

// The display settings own help and context menus for their preview area.
LRESULT ForwardToPreviewParent(HWND hwnd, UINT message, LPARAM lParam)
{
    HWND parent = GetParent(hwnd);
    if (parent && IsWindow(parent))
    {
        WPARAM from = reinterpret_cast<WPARAM>(parent);
        if (message == WM_HELP)
        {
            // Its record travels by pointer, and the system refuses to post
            // pointer messages: only a send carries it to the parent. The
            // parent is another program's window; when it hangs, the preview
            // gives up on it rather than hang with it.
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(parent, message, from, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                kHelpTimeoutMs, &answer);
        }
        else
        {
            PostMessageA(parent, message, from, lParam);
        }
    }
    return 1;
}

uint32_t ElapsedTicks(uint32_t from, uint32_t to)
{
    return to - from;
}

bool VerifyCloseRequest(HWND hwnd)
{
    if (g_bVerifying || g_bCloseGranted)
    {
        return false;
    }
    if (!g_pfnVerifyPassword)
    {
        g_bCloseGranted = true;
        return true;
    }
    DWORD now = ReadTickCount();
    if (g_dwLastVerifyTick != 0xFFFFFFFF &&
        ElapsedTicks(g_dwLastVerifyTick, now) < kVerifyQuietTicks)
    {
        return false;
    }

    g_bVerifying = true;
    // Timer messages queued for the window would only wake it behind the
    // password request.
    MSG msg = {};
    PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);

    g_bCloseGranted = SendMessageA(hwnd, WM_APP, 0, 0) != 0;

    g_bVerifying = false;
    if (!g_bCloseGranted)
    {
        SetCursor(NULL);
    }
    g_dwLastVerifyTick = ReadTickCount();
    return g_bCloseGranted;
}

LRESULT OnCloseRequest(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_bWin9x && !VerifyCloseRequest(hwnd))
    {
        // Refused: further movement is measured from where the cursor is now.
        GetCursorPos(&g_ptCursorRef);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT AnswerPasswordRequest(HWND hwnd)
{
    return g_pfnVerifyPassword ? g_pfnVerifyPassword(hwnd) : 1;
}

void DismissOnMouseMove(HWND hwnd)
{
    // The message's own coordinates are client-relative and may lag; the
    // cursor position is what the reference was taken from.
    POINT now = {};
    if (!GetCursorPos(&now))
    {
        return;
    }
    if (CursorDistance(g_ptCursorRef, now) > g_nMouseThreshold)
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        g_ptCursorRef = now;
    }
}

uint32_t AbsoluteDifference(LONG a, LONG b)
{
    int64_t d = static_cast<int64_t>(a) - static_cast<int64_t>(b);
    return static_cast<uint32_t>(d < 0 ? -d : d);
}

LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        OnSaverCreate(hwnd);
        break;
    case WM_DESTROY:
        OnSaverDestroy(hwnd);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (g_bCloseGranted)
        {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        HideCursorWhenSaving();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (g_bPreview)
        {
            return ForwardToPreviewParent(hwnd, message, lParam);
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (g_bCloseGranted)
        {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        break;
    case WM_SYSCOMMAND:
        if (!g_bPreview && IsSwallowedCommand(wParam))
        {
            return 0;
        }
        break;
    case WM_TIMER:
        if (g_bCloseGranted)
        {
            return 0;
        }
        SleepTicks(0);
        break;
    default:
        break;
    }
    return SaverHostProc(hwnd, message, wParam, lParam);
}

} // namespace

int RunSaverWindow(HWND parent)
{
    if (!parent)
    {
        // One saver on screen is enough: wake the running one instead.
        HWND running = FindWindowA(kSaverClass, kSaverTitle);
        if (running && IsWindow(running))
        {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
    }

    // Without a window the mode failed; the exit code says so.
    int result = -1;
    if (CreateSaverWindow(parent))
    {
        if (!parent)
        {
            SetForegroundWindow(g_hSaverWnd);
        }
        MSG msg = {};
        // GetMessageA answers -1 on failure; that must end the loop, not spin it.
        while (GetMessageA(&msg, NULL, 0, 0) > 0)
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        result = static_cast<int>(msg.wParam);
    }

    ReleasePasswordVerifier();
    return result;
}

HWND CreateSaverWindow(HWND parent)
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SaverWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = g_hInstance;
    wc.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(kClassIconId));
    wc.hCursor = NULL;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszMenuName = NULL;
    wc.lpszClassName = kSaverClass;

    DWORD exStyle = WS_EX_TOPMOST;
    DWORD style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const char* title = kSaverTitle;
    // Every monitor: the virtual screen, left of and above the primary too.
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (parent)
    {
        RECT client = {};
        GetClientRect(parent, &client);
        x = 0;
        y = 0;
        width = client.right;
        height = client.bottom;
        g_bPreview = true;
        exStyle = 0;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        title = kPreviewTitle;
    }

    if (RegisterClassA(&wc))
    {
        g_hSaverWnd = CreateWindowExA(exStyle, kSaverClass, title, style, x, y, width, height,
                                      parent, NULL, g_hInstance, NULL);
    }
    return g_hSaverWnd;
}

LRESULT DefSaverWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The preview never closes itself on input; it ends when its window is
    // destroyed from outside.
    if (g_bPreview || g_bCloseGranted)
    {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message)
    {
    case WM_CLOSE:
        return OnCloseRequest(hwnd, message, wParam, lParam);
    case WM_APP:
        if (g_bWin9x)
        {
            return AnswerPasswordRequest(hwnd);
        }
        break;
    default:
        break;
    }
    // While the password request is up the user needs the cursor, and moving
    // it must not close anything.
    if (g_bVerifying)
    {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message)
    {
    case WM_SETCURSOR:
        SetCursor(NULL);
        return 1;
    case WM_SHOWWINDOW:
        if (wParam)
        {
            SetCursor(NULL);
        }
        break;
    case WM_MOUSEMOVE:
        DismissOnMouseMove(hwnd);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool IsSwallowedCommand(WPARAM command)
{
    // The low four bits of a system command are the system's own. The
    // display's power (SC_MONITORPOWER) is the system's to switch.
    WPARAM code = command & 0xFFF0;
    return code == SC_NEXTWINDOW || code == SC_PREVWINDOW || code == SC_SCREENSAVE;
}

uint32_t CursorDistance(POINT from, POINT to)
{
    uint64_t sum =
        static_cast<uint64_t>(AbsoluteDifference(to.x, from.x)) + AbsoluteDifference(to.y, from.y);
    // Screen coordinates are far from this, but a sum past 32 bits must still
    // count as far, not wrap to near.
    return sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(sum);
}
