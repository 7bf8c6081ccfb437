// The start-up frame-rate probe and the low-frame-rate notice (dialog 2005).
#include "host/host.h"

#include "engine/engine.h"
#include "render/render.h"
#include "shell/shell.h"
#include "resource.h"

bool g_bFrameRateOk = true;
float g_fFrameRate = kProbeUnmeasuredRate;

namespace
{

const DWORD kProbeQuickMs = 50;    // a first frame this quick settles it: fast enough
const DWORD kProbeSlowMs = 200;    // a first frame slower than this settles it: too slow
const float kProbeMinRate = 12.0f; // five timed frames below this rate fail the probe
// Four frames more than the first: five in all over the second measurement.
const int kProbeExtraFrames = 4;

void InitFrameRateNotice(HWND dialog)
{
    CenterOnDesktop(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));
    char text[kFrameRateTextSize];
    FormatFrameRateText(text, sizeof(text), g_fFrameRate);
    SetDlgItemTextA(dialog, IDC_FRAME_RATE_TEXT, text);
}

INT_PTR OnNoticeCommand(HWND dialog, WORD id)
{
    switch (id)
    {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, 1);
        return TRUE;
    case IDC_REMOVE_SOLMIR:
        // The notice stays open; closing it closes the saver.
        ScheduleRemoval(dialog);
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool ProbeNeedsMoreFrames(DWORD firstMs)
{
    return firstMs > kProbeQuickMs && firstMs <= kProbeSlowMs;
}

FrameRateVerdict JudgeFrameRate(DWORD firstMs, DWORD restMs)
{
    FrameRateVerdict verdict = {};
    verdict.ok = true;
    verdict.rate = kProbeUnmeasuredRate;
    if (firstMs > kProbeSlowMs)
    {
        verdict.ok = false;
        verdict.rate = static_cast<float>(1000.0 / firstMs);
    }
    else if (ProbeNeedsMoreFrames(firstMs))
    {
        // Five frames over their total time plus one millisecond, summed in
        // 32-bit tick arithmetic.
        DWORD total = firstMs + restMs + 1;
        verdict.rate = static_cast<float>(5000.0 / total);
        verdict.ok = !(verdict.rate < kProbeMinRate);
    }
    return verdict;
}

bool FrameRateNoticeDue(bool frameRateOk, bool fullScreen, float frameRate)
{
    return !frameRateOk && fullScreen && frameRate < kFrameRateFloor;
}

namespace
{

// Times frames of module 1 as the saver draws them now, in every viewport.
// They are drawn but never presented. A driver queues the drawing and
// answers at once, so each measurement waits for the GL to finish the
// frames before it reads the clock.
FrameRateVerdict TimeProbeFrames()
{
    DWORD start = ReadTickCount();
    DrawModuleFrame(1);
    glFinish();
    DWORD firstMs = ReadTickCount() - start;

    DWORD restMs = 0;
    if (ProbeNeedsMoreFrames(firstMs))
    {
        start = ReadTickCount();
        for (int i = 0; i < kProbeExtraFrames; ++i)
        {
            DrawModuleFrame(1);
        }
        glFinish();
        restMs = ReadTickCount() - start;
    }
    return JudgeFrameRate(firstMs, restMs);
}

} // namespace

void ProbeFrameRate()
{
    FrameRateVerdict verdict = TimeProbeFrames();
    if (!verdict.ok && g_nViewports > 1)
    {
        // Too slow for every monitor: the primary alone is what the saver
        // then shows, as fast as it can be, and its rate decides.
        g_bPrimaryOnly = true;
        g_nViewports = 1;
        verdict = TimeProbeFrames();
    }
    g_bFrameRateOk = verdict.ok;
    g_fFrameRate = verdict.rate;
}

INT_PTR CALLBACK FrameRateNoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
        InitFrameRateNotice(hwnd);
        return FALSE; // the focus is on OK already
    case WM_COMMAND:
        return OnNoticeCommand(hwnd, LOWORD(wParam));
    }
    return FALSE;
}
