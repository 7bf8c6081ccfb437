// Called by: the entry routine (settings mode); the engine and the host (registry store).
// Calls: the host's tick, the engine and rendering for the preview; the shell's window helpers.
//
// Settings and links: the registry store, the settings dialog with its live
// preview, and the About dialog with the web-page and mail links.
#pragma once

#include <windows.h>
#include <stdint.h>

// ---- Registry store (registry.cpp) ------------------------------------------
// One process-wide selected key path; each value operation opens it in its own
// hive, does one read or write, and closes it again. Reads only read; writes
// create the key when it is missing.

extern const char g_szProductKey[]; // "Software\Quenwick\Solmir", the product's key path
extern char g_szRegPath[64];        // selected key path, relative to a hive

void RegSelectKey(HWND hwnd, const char* path);
int32_t RegReadValue(const char* name, int32_t defaultValue);
bool RegWriteValue(const char* name, int32_t value);
char* RegReadMachineString(const char* name, char* buffer, DWORD size, const char* defaultText);
bool RegWriteMachineString(const char* name, const char* text);
char* RegReadClassesString(const char* name, char* buffer, DWORD size, const char* defaultText);
char* RegReadUserString(const char* name, char* buffer, DWORD size, const char* defaultText);
bool RegWriteUserString(const char* name, const char* text);

// ---- Settings dialog (settings_dialog.cpp) ----------------------------------

// Loads the common controls and registers the up-down control class the
// dialog template uses; call before the dialog is created.
void InitSettingsControls();
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Switching interval arithmetic (cycle_time.cpp) -------------------------

const int kMaxCycleTime = 9999; // seconds; the interval box never shows more after an edit

// The box's text as a decimal number (leading blanks and a sign allowed);
// text without digits gives 0.
int ParseCycleText(const char* text);
int ClampCycleTime(int seconds);
// +1 for the spin's up arrow, -1 for its down arrow, from the change it
// proposes (UDN_DELTAPOS) and its range; 0 for no change.
int SpinArrowStep(int delta, int low, int high);

// ---- About dialog and links (about.cpp) -------------------------------------

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
