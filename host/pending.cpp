// PENDING: placeholders so the program links while the host is written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "host/host.h"

bool g_bSaverMode;
bool g_bFullScreen;
bool g_bStopRequested;
bool g_bClosing;
bool g_bInTick;
bool g_bFrameRateOk = true;
float g_fFrameRate = 33.0f;

LRESULT SaverHostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
void ProbeFrameRate() {}
INT_PTR CALLBACK FrameRateNoticeProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ScheduleRemoval(HWND) {}
