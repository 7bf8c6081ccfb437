// The settings dialog: module switches, the live preview in frame 1008, the
// switching interval with its spin arrows, About, OK and Cancel. It runs the
// saver's own engine in dialog mode, driven by the same self-posted tick as
// the saver window, and stores nothing unless OK is pressed.
//
// The preview is drawn by a window of its own laid over the frame: a disabled,
// never-activated popup owned by the dialog. GL in a child control does not
// reach the screen on every driver (Wine's X11 driver loses it), while a
// childless top-level window draws everywhere. The popup follows the dialog.
#include "settings/settings.h"

#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "resource.h"
#include "shell/shell.h"

#include <commctrl.h>
#include <stdio.h>

namespace
{

bool g_bEditHasKeys;       // the interval box is in use: keys go to it, not the view
HWND s_hPreviewFrame;      // control 1008, where the preview is shown
HWND s_hPreviewView;       // popup laid over control 1008 that the preview's GL draws into
int s_nSpinStep;           // direction of the spin arrow just pressed: +1 up, -1 down
HMODULE s_hCommonControls; // comctl32, loaded when the settings dialog starts

// The enable box and preview button of each module, in module order.
struct ModuleControls
{
    int module;
    int enableBox;
    int previewButton;
};

const ModuleControls kModuleControls[] = {
    {1, IDC_ENABLE_MODULE1, IDC_PREVIEW_MODULE1},
    {2, IDC_ENABLE_MODULE2, IDC_PREVIEW_MODULE2},
    {3, IDC_ENABLE_MODULE3, IDC_PREVIEW_MODULE3},
};

// The box is read nine characters at most, so no number read overflows.
const int kCycleTextSize = 10;

const char kPreviewViewClass[] = "Solmir Preview";

// The view only ever shows GL; it never erases and never takes the focus.
LRESULT CALLBACK PreviewViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        ValidateRect(hwnd, NULL);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// Frame 1008's client area, in screen coordinates.
RECT PreviewFrameRect()
{
    RECT rect = {};
    GetClientRect(s_hPreviewFrame, &rect);
    MapWindowPoints(s_hPreviewFrame, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND CreatePreviewView(HWND dialog)
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = PreviewViewProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = kPreviewViewClass;
    RegisterClassA(&wc); // fails harmlessly when a second dialog registers it again

    RECT rect = PreviewFrameRect();
    ResizeGLScene(rect.right - rect.left, rect.bottom - rect.top);
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPreviewViewClass, "",
                           WS_POPUP | WS_DISABLED | WS_CLIPSIBLINGS, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, dialog, NULL,
                           g_hInstance, NULL);
}

// Keeps the view on the frame, as large as the frame, and shown exactly while
// the dialog is. Windows rescales the dialog and the frame when it moves to a
// monitor of another scale; the view and the GL viewport follow. The first
// tick shows the view, once the dialog is up and active: Wine stacks a window
// shown before its owner's activation under the owner.
void PlacePreviewView(HWND dialog)
{
    if (s_hPreviewView == NULL)
    {
        return;
    }
    RECT frame = PreviewFrameRect();
    RECT view = {};
    GetWindowRect(s_hPreviewView, &view);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const bool resized = width != view.right - view.left || height != view.bottom - view.top;
    const bool shown = IsWindowVisible(dialog) && !IsIconic(dialog);
    SetWindowPos(s_hPreviewView, NULL, frame.left, frame.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (resized)
    {
        ResizeGLScene(width, height);
    }
}

bool PreviewViewOffFrame()
{
    RECT frame = PreviewFrameRect();
    RECT view = {};
    GetWindowRect(s_hPreviewView, &view);
    return !EqualRect(&frame, &view);
}

// The nearest visible window above the given one in the z-order, or null.
HWND VisibleWindowAbove(HWND window)
{
    HWND above = GetWindow(window, GW_HWNDPREV);
    while (above != NULL && !IsWindowVisible(above))
    {
        above = GetWindow(above, GW_HWNDPREV);
    }
    return above;
}

// Run by every tick: shows the view once the dialog is up, keeps it on the
// frame, and puts it back right above the dialog when it has been stacked
// under it. An owned window stays above its owner by itself on Windows; Wine
// lifts the owner over it when a dialog of its own opens, and raises X windows
// only by making them the top of the z-order.
void KeepPreviewView(HWND dialog)
{
    if (s_hPreviewView == NULL)
    {
        return;
    }
    // Shown again only while the dialog is active, so never under it.
    bool hidden = !IsWindowVisible(s_hPreviewView);
    if ((hidden && GetActiveWindow() == dialog) || (!hidden && PreviewViewOffFrame()))
    {
        PlacePreviewView(dialog);
    }
    if (!IsWindowVisible(s_hPreviewView))
    {
        return;
    }
    HWND above = VisibleWindowAbove(dialog);
    if (above != s_hPreviewView)
    {
        SetWindowPos(s_hPreviewView, above != NULL ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void DestroyPreviewView()
{
    if (s_hPreviewView != NULL)
    {
        DestroyWindow(s_hPreviewView);
        s_hPreviewView = NULL;
    }
}

const ModuleControls* FindModuleControls(int id)
{
    for (const ModuleControls& controls : kModuleControls)
    {
        if (controls.enableBox == id || controls.previewButton == id)
        {
            return &controls;
        }
    }
    return nullptr;
}

void ShowEnableBoxes(HWND dialog)
{
    for (const ModuleControls& controls : kModuleControls)
    {
        CheckDlgButton(dialog, controls.enableBox,
                       g_ModParams[controls.module].active ? BST_CHECKED : BST_UNCHECKED);
    }
}

int ReadCycleBox(HWND dialog)
{
    char text[kCycleTextSize] = {};
    GetDlgItemTextA(dialog, IDC_CYCLE_TIME, text, sizeof(text));
    return ParseCycleText(text);
}

// Room for any int and its sign.
const int kCycleFormatSize = 16;

void FormatCycleTime(char* text, int seconds)
{
    snprintf(text, kCycleFormatSize, "%d", seconds);
}

void WriteCycleBox(HWND dialog, int seconds)
{
    char text[kCycleFormatSize] = {};
    FormatCycleTime(text, seconds);
    SetDlgItemTextA(dialog, IDC_CYCLE_TIME, text);
}

// The box still shows the interval as it was written there: the user has not
// changed it (a stored value may be longer than the nine characters a read
// of the box takes).
bool CycleBoxUnchanged(HWND dialog)
{
    char shown[kCycleFormatSize + 1] = {};
    char written[kCycleFormatSize] = {};
    GetDlgItemTextA(dialog, IDC_CYCLE_TIME, shown, sizeof(shown));
    FormatCycleTime(written, g_nCycleTime);
    return lstrcmpA(shown, written) == 0;
}

void SetCycleTime(HWND dialog, int seconds)
{
    g_nCycleTime = ClampCycleTime(seconds);
    WriteCycleBox(dialog, g_nCycleTime);
}

void PostSlowMachineCommand(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, IDC_SLOW_MACHINE, static_cast<LPARAM>(-1));
}

// The enable box decides the module's flag; a slow machine is told again each
// time a module is switched on.
void OnEnableBox(HWND dialog, const ModuleControls& controls)
{
    bool enabled = IsDlgButtonChecked(dialog, controls.enableBox) == BST_CHECKED;
    g_ModParams[controls.module].active = enabled;
    if (!g_bFrameRateOk && enabled)
    {
        PostSlowMachineCommand(dialog);
    }
}

// The chosen module is shown whether it is enabled or not; the dialog never
// switches modules by itself.
void OnPreviewButton(HWND dialog, const ModuleControls& controls)
{
    ShowModule(controls.module);
    OnEnableBox(dialog, controls);
}

void OnCycleBox(HWND dialog, WORD notification)
{
    // Any notification but the focus loss means the box is being typed into.
    g_bEditHasKeys = notification != EN_KILLFOCUS;
    if (notification == EN_KILLFOCUS)
    {
        SetCycleTime(dialog, ReadCycleBox(dialog));
    }
}

void OnSettingsOk(HWND dialog)
{
    // Unclamped: a stored 0 the user never touched goes back as 0, and any
    // other interval he did not touch goes back as it was.
    if (!CycleBoxUnchanged(dialog))
    {
        g_nCycleTime = ReadCycleBox(dialog);
    }
    StoreViewToModule(g_nModule);
    SaveModuleParams();
    g_bStopRequested = true;
}

void OnSlowMachine(HWND dialog)
{
    if (g_fFrameRate < kFrameRateFloor)
    {
        g_ModParams[1].active = false;
        CheckDlgButton(dialog, IDC_ENABLE_MODULE1, BST_UNCHECKED);
    }
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), dialog,
                    FrameRateNoticeProc, 0);
}

void SetAllModules(HWND dialog, bool enabled)
{
    for (const ModuleControls& controls : kModuleControls)
    {
        g_ModParams[controls.module].active = enabled;
    }
    ShowEnableBoxes(dialog);
}

BOOL OnSettingsInit(HWND dialog)
{
    g_bSaverMode = false;
    s_hPreviewFrame = GetDlgItem(dialog, IDC_PREVIEW_FRAME);
    CenterOnDesktop(dialog);
    DestroyPreviewView();
    s_hPreviewView = CreatePreviewView(dialog);
    // The run reports its own failures; the view is the one thing before it
    // that can fail.
    if (s_hPreviewView == NULL)
    {
        MessageBoxA(NULL, "Can't Create The Preview Window.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    }
    const bool ready = BeginSaverRun(dialog, s_hPreviewView);
    ShowEnableBoxes(dialog);
    WriteCycleBox(dialog, g_nCycleTime);
    // Writing the interval box raised the flag; nobody has typed yet.
    g_bEditHasKeys = false;
    if (!ready)
    {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    else if (!g_bFrameRateOk)
    {
        PostSlowMachineCommand(dialog);
    }
    // The system gives the focus to the first tab stop.
    return TRUE;
}

// Keys steer the preview unless the interval box is in use. No dialog
// navigation runs while the preview does: Tab, Enter and the arrows are view
// keys too. A modal dialog opened from the drain (About, the notice, the
// Control Menu) runs inside the tick, so the preview stands still until it
// closes.
void OnSettingsTick(HWND dialog)
{
    if (!g_bInTick && !g_bStopRequested)
    {
        // Every frame redraws the whole view. Its paint requests are dropped
        // here, as the drain takes the dialog's messages only and a pending
        // paint of a window above the dialog would hold back the repaints of
        // its controls.
        if (s_hPreviewView != NULL)
        {
            ValidateRect(s_hPreviewView, NULL);
        }
        KeepPreviewView(dialog);
    }
    RunSaverTick(dialog, &g_bEditHasKeys);
}

void OnSettingsClose(HWND dialog)
{
    if (BeginSaverClose())
    {
        DestroyPreviewView();
        EndDialog(dialog, 1);
    }
}

// The spin's own position carries no meaning: the direction of each arrow
// press is taken from its change notification and used by the scroll message
// that follows it.
void OnSpinNotify(const NMHDR* header)
{
    if (header->idFrom != IDC_CYCLE_SPIN || header->code != UDN_DELTAPOS)
    {
        return;
    }
    const NMUPDOWN* change = reinterpret_cast<const NMUPDOWN*>(header);
    int low = 0;
    int high = 0;
    SendMessageA(header->hwndFrom, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    s_nSpinStep = SpinArrowStep(change->iDelta, low, high);
}

void OnSettingsCommand(HWND dialog, WPARAM wParam)
{
    g_bEditHasKeys = false;
    int id = LOWORD(wParam);
    const ModuleControls* controls = FindModuleControls(id);
    if (controls != nullptr)
    {
        if (id == controls->previewButton)
        {
            OnPreviewButton(dialog, *controls);
        }
        else
        {
            OnEnableBox(dialog, *controls);
        }
        return;
    }
    switch (id)
    {
    case IDC_CYCLE_TIME:
        OnCycleBox(dialog, HIWORD(wParam));
        break;
    case IDOK:
        OnSettingsOk(dialog);
        break;
    case IDCANCEL:
        g_bStopRequested = true;
        break;
    case IDC_ABOUT:
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialogProc, 0);
        break;
    case IDC_SLOW_MACHINE:
        OnSlowMachine(dialog);
        break;
    case IDC_ENABLE_ALL:
        SetAllModules(dialog, true);
        break;
    case IDC_DISABLE_ALL:
        SetAllModules(dialog, false);
        break;
    default:
        break;
    }
}

void OnCycleSpin(HWND dialog, WPARAM wParam)
{
    int seconds = ReadCycleBox(dialog);
    switch (LOWORD(wParam))
    {
    case SB_THUMBPOSITION:
        // Sent once per arrow press, at the limits of the spin's range too.
        seconds += s_nSpinStep;
        s_nSpinStep = 0;
        break;
    case SB_THUMBTRACK:
    case SB_ENDSCROLL:
        return;
    case SB_TOP:
        seconds = kMaxCycleTime;
        break;
    case SB_BOTTOM:
        seconds = 0;
        break;
    default:
        break;
    }
    SetCycleTime(dialog, seconds);
}

} // namespace

void InitSettingsControls()
{
    // Only this dialog needs the common controls, so they are not loaded with
    // the program.
    if (s_hCommonControls == NULL)
    {
        s_hCommonControls = LoadSystemLibrary("comctl32.dll");
    }
    typedef BOOL(WINAPI * InitCommonControlsExProc)(const INITCOMMONCONTROLSEX*);
    InitCommonControlsExProc init =
        s_hCommonControls != NULL
            ? reinterpret_cast<InitCommonControlsExProc>(reinterpret_cast<void (*)()>(
                  GetProcAddress(s_hCommonControls, "InitCommonControlsEx")))
            : NULL;
    if (init != NULL)
    {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_UPDOWN_CLASS;
        init(&controls);
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        return OnSettingsInit(dialog);
    case WM_COMMAND:
        OnSettingsCommand(dialog, wParam);
        return TRUE;
    case WM_NOTIFY:
        OnSpinNotify(reinterpret_cast<const NMHDR*>(lParam));
        return FALSE; // the spin may move; its position is not used
    case WM_HSCROLL:
    case WM_VSCROLL:
        OnCycleSpin(dialog, wParam);
        return TRUE;
    case WM_CLOSE:
        OnSettingsClose(dialog);
        return TRUE;
    case WM_SAVER_TICK:
        OnSettingsTick(dialog);
        return TRUE;
    case WM_WINDOWPOSCHANGED:
        if (s_hPreviewView != NULL && IsWindowVisible(s_hPreviewView))
        {
            PlacePreviewView(dialog);
        }
        return FALSE; // the dialog's own moves and sizes go on as usual
    default:
        return FALSE;
    }
}
