// PENDING: placeholders so the program links while the shell is written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "shell/shell.h"

HINSTANCE g_hInstance;
int g_bWin9x;
HWND g_hSaverWnd;
int g_bPreview;
int g_bCloseGranted;
int g_bVerifying;
POINT g_ptCursorRef;
UINT g_nMouseThreshold = 100;
DWORD g_dwLastVerifyTick = 0xFFFFFFFF;
HMODULE g_hImm;
ImmAssociateContextProc g_pfnImmAssociateContext;
HIMC g_hPrevImc;
HMODULE g_hPasswordLib;
VerifyPasswordProc g_pfnVerifyPassword;

const char* SkipProgramName(const char* line) { return line; }
RunRequest ParseRunRequest(const char*) { return RunRequest{RUN_INVALID, 0}; }
uint32_t ParseWindowHandle(const char*) { return 0; }
int DispatchRunMode(HINSTANCE, const char*) { return -1; }
INT_PTR ShowSettingsDialog(HWND) { return 0; }
int RunSaverWindow(HWND) { return 0; }
LRESULT CALLBACK SaverWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
LRESULT DefSaverWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
BOOL VerifyCloseRequest(HWND) { return TRUE; }
uint32_t ElapsedTicks(uint32_t from, uint32_t to) { return to - from; }
uint32_t CursorDistance(POINT, POINT) { return 0; }
void CenterOnDesktop(HWND) {}
void LoadPasswordVerifier() {}
void ReleasePasswordVerifier() {}
void SetSaverRunning(int) {}
void ChangeSaverPassword(HWND) {}
