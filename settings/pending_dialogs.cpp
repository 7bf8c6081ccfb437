// PENDING: placeholders so the program links while the dialogs are written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "settings/settings.h"

bool g_bEditHasKeys;
HWND g_hPreviewFrame;
const char g_szWebLink[] = "-new http://";
const char g_szMailLink[] = "mailto:";

INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
bool InitSettingsDialog(HWND) { return false; }
void OnSettingsCommand(HWND, WPARAM) {}
void OnCycleSpin(HWND, WPARAM) {}
INT_PTR CALLBACK AboutDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void OpenUrlInBrowser(const char*) {}
