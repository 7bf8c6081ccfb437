// The keyboard view controls: every key-down steers the live view of the
// shown module by one step, switches modules, opens the Control Menu or the
// parameter dump, or quits the saver.
#include "engine/engine.h"
#include "host/host.h"
#include "shell/shell.h"

#include <stdio.h>

namespace
{

const float kRotateStep = 1.5f; // degrees per key press
const float kSpeedStep = 0.125f;

const size_t kParamDumpSize = 512; // characters of the F11 text, terminator included

void FormatParamDump(char* buffer, size_t size, const ModuleParams& view)
{
    snprintf(buffer, size,
             "g_fDepth %f\ng_fHorz  %f\ng_fVert  %f\ng_fXrot  %f\ng_fYrot  %f\ng_fZrot  %f\n"
             "g_fSpeed %f\n",
             static_cast<double>(view.depth), static_cast<double>(view.horz),
             static_cast<double>(view.vert), static_cast<double>(view.xrot),
             static_cast<double>(view.yrot), static_cast<double>(view.zrot),
             static_cast<double>(view.speed));
}

// Zoom and pan grow with the depth in whole units per fifty, so a far scene
// moves as visibly as a near one; below fifty the fine steps apply.
int DepthStepUnits(float depth)
{
    return TruncToInt32(depth) / 50;
}

} // namespace

float ZoomStep(float depth)
{
    int q = DepthStepUnits(depth);
    return q >= 1 ? static_cast<float>(q) : 0.3f;
}

float PanStep(float depth)
{
    int q = DepthStepUnits(depth);
    return q >= 1 ? static_cast<float>(q) : 0.1f;
}

namespace
{

// A message box centres itself on the monitor that holds most of its owner,
// which over several monitors may be any of them; like every dialog of the
// saver, this one opens on the primary, once it has laid itself out.
LRESULT CALLBACK CenterBoxAfterInit(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG)
    {
        CenterOnDesktop(call->hwnd);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

void ShowParamDump(HWND window)
{
    ModuleParams view = {};
    StoreViewToRecord(&view);
    char text[kParamDumpSize];
    FormatParamDump(text, sizeof(text), view);
    HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, CenterBoxAfterInit, NULL, GetCurrentThreadId());
    MessageBoxA(window, text, "Params", MB_OK);
    if (hook != NULL)
    {
        UnhookWindowsHookEx(hook);
    }
}

// Enter and Backspace: the shown view is kept in its record, the new module
// gets its stored view and a whole cycle interval, and any fade ends white.
void SwitchModule(HWND window, bool forward)
{
    ShowModule(forward ? NextActiveModule(g_nModule) : PrevActiveModule(g_nModule));
    StartModuleCycle();
    ResetFade();
    if (!g_bSaverMode)
    {
        MarkPreviewButton(window, g_nModule);
    }
    // With a single module there is nothing to switch to: Enter quits.
    if (forward && g_bSaverMode && CountActiveModules() == 1)
    {
        g_bStopRequested = true;
    }
}

void StepSpeed(float delta)
{
    g_fSpeed = BoundSpeed(g_fSpeed + delta);
}

} // namespace

int HandleViewKey(HWND window, UINT message, WPARAM key, LPARAM lParam)
{
    (void)lParam;
    // The small preview in the display settings takes no keys at all.
    if (g_bSaverMode && !g_bFullScreen)
    {
        return 0;
    }
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN)
    {
        return 0;
    }

    float zoom = ZoomStep(g_fDepth);
    float pan = PanStep(g_fDepth);
    switch (key)
    {
    case VK_F1:
        ShowControlMenu(window);
        break;
    case VK_ESCAPE:
        g_bStopRequested = true;
        break;
    case VK_PRIOR:
    case VK_NUMPAD9:
        g_fDepth += zoom;
        break;
    case VK_NEXT:
    case VK_NUMPAD3:
        g_fDepth -= zoom;
        break;
    case VK_UP:
    case VK_NUMPAD8:
        g_fVert += pan;
        break;
    case VK_DOWN:
    case VK_NUMPAD2:
        g_fVert -= pan;
        break;
    case VK_LEFT:
    case VK_NUMPAD4:
        g_fHorz -= pan;
        break;
    case VK_RIGHT:
    case VK_NUMPAD6:
        g_fHorz += pan;
        break;
    case VK_F2:
        g_fXrot -= kRotateStep;
        break;
    case VK_F3:
        g_fXrot += kRotateStep;
        break;
    case VK_F4:
        g_fYrot -= kRotateStep;
        break;
    case VK_F5:
        g_fYrot += kRotateStep;
        break;
    case VK_F6:
        g_fZrot += kRotateStep;
        break;
    case VK_F7:
        g_fZrot -= kRotateStep;
        break;
    case VK_F8:
        StepSpeed(-kSpeedStep);
        break;
    case VK_F9:
        StepSpeed(kSpeedStep);
        break;
    case VK_HOME:
        LoadViewFromDefaults(g_nModule);
        break;
    case VK_RETURN:
        SwitchModule(window, true);
        break;
    case VK_BACK:
        SwitchModule(window, false);
        break;
    case VK_F11:
        ShowParamDump(window);
        break;
    default:
        // Any other key is the user coming back: the saver quits, the
        // settings dialog ignores it.
        if (g_bSaverMode)
        {
            g_bStopRequested = true;
        }
        break;
    }
    return 0;
}
