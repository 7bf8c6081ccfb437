// Called by: the saver window (each message) and the settings dialog (tick, close, probe, notice).
// Calls: the engine (frames, keys, views), rendering (GL context, probe frames), the store.
//
// Saver host: runs the animation inside the saver window (set-up, one frame
// per self-posted tick, tear-down and saving on close), the start-up
// frame-rate probe, the low-frame-rate notice and the removal scheduling.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "host/notice_text.h"
#include "render/render.h"

// The private message that drives frames; posted by a window to itself.
#define WM_SAVER_TICK 0x1D03

// Run flags shared with the GL context, frame loop, keys and settings dialog.
extern bool g_bSaverMode;     // the animation runs in the saver window, not the settings dialog
extern bool g_bFullScreen;    // the saver window is the full-screen one, not a preview
extern bool g_bStopRequested; // stop the animation and close
extern bool g_bInTick;        // a tick is being processed; nested ticks are dropped

void ResetRunFlags(); // all five false, as at the start of a run

// ---- The animation tick (tick.cpp), shared with the settings dialog ----------

// The start of a run, for the saver window and the settings dialog alike:
// selects the product's key and loads the views, makes the GL context on
// `glWindow`, probes the frame rate, starts the module cycle and posts the
// first tick to `window`. False when there is no context (the user has been
// told, or `glWindow` is null).
bool BeginSaverRun(HWND window, HWND glWindow);
void PostSaverTick(HWND window);
// One tick: unless another is running or a stop was requested, drains the
// window's queue (keys to the view controls unless *keysToControls; a close
// becomes a stop request), draws a frame and posts the next tick. True when a
// frame was drawn.
bool RunSaverTick(HWND window, const bool* keysToControls);
// The first close of a run releases the GL context and answers true; the
// caller then does its own part. Later ones answer false.
bool BeginSaverClose();
// A key that reached the window outside a tick, while the ticks rest, is
// taken as the drain would take it.
void TakeKeyOutsideTick(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- The displays: monitors, their changes, their power (displays.cpp) ------

const int kMaxMonitors = kMaxViewports;

struct MonitorLayout
{
    RECT screen;                 // the virtual screen, in the coordinates of the primary
    RECT monitors[kMaxMonitors]; // each monitor's rectangle, the primary first
    int count;
};

typedef void (*ReadMonitorsProc)(MonitorLayout* layout);
extern ReadMonitorsProc g_pfnReadMonitors; // the system's layout unless a test replaces it
extern bool g_bPrimaryOnly; // the probe found every monitor too slow: only the primary animates

// Full screen: the window covers the virtual screen and the scene gets one
// viewport per monitor. Preview: the scene fills the window.
void FitSaverWindow(HWND hwnd);
// Fits the window again when the layout is not the one it was fitted to.
void RefitOnLayoutChange(HWND hwnd);
// Each monitor's viewport in a window over the virtual screen (or the
// primary's alone); copies drawn once; the whole window when none is known.
int LayOutViewports(const MonitorLayout& layout, bool primaryOnly, SceneViewport* viewports);

void WatchDisplayPower(HWND hwnd); // the displays' power state comes as WM_POWERBROADCAST
void ForgetDisplayPower();
void OnDisplayPower(HWND hwnd, WPARAM event, LPARAM data);
// True when a tick must be dropped because the displays are off: the ticks
// stop until they come on again, and the thread waits for messages.
bool RestWhileDark();
bool IsResting();

// ---- Saver host procedure (saver_host.cpp) ---------------------------------

LRESULT SaverHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Frame-rate probe, notice and removal (frame_rate.cpp, removal.cpp) -----

extern bool g_bFrameRateOk; // probe verdict: the machine is fast enough
extern float g_fFrameRate;  // measured frames per second (33.0 when not measured)

void ProbeFrameRate();
INT_PTR CALLBACK FrameRateNoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void ScheduleRemoval(HWND hwnd);
// Whether the user is one for whom Windows runs run-once entries at log-on:
// the token's answer, which a test build can stand in for.
typedef bool (*AdministratorTestProc)();
extern AdministratorTestProc g_pfnIsAdministrator;

// The probe's arithmetic, apart from the clock and the drawing it times.
const float kProbeUnmeasuredRate = 33.0f; // the rate kept when the first frame settled it
const float kFrameRateFloor = 3.0f; // below it a failed probe shows blank frames or the notice

struct FrameRateVerdict
{
    bool ok;    // the machine is fast enough
    float rate; // frames per second
};

// True when the first frame took long enough that four more are timed.
bool ProbeNeedsMoreFrames(DWORD firstMs);
// firstMs: the first frame; restMs: the four more frames (ignored unless needed).
FrameRateVerdict JudgeFrameRate(DWORD firstMs, DWORD restMs);
// The saver shows the notice instead of the animation: full screen, failed, below 3 fps.
bool FrameRateNoticeDue(bool frameRateOk, bool fullScreen, float frameRate);
