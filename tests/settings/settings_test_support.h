// Helpers for the settings tests: the product key, dialogs run on a UI thread
// of their own while the test thread drives them with real input.
#pragma once

#include "support/saver_process.h"

#include <windows.h>
#include <stdint.h>

#include <map>
#include <string>

extern const char kProductKey[];    // "Software\\Quenwick\\Solmir" under HKEY_CURRENT_USER
extern const char kSettingsTitle[]; // "Solmir Screen Saver Settings"
extern const char kAboutTitle[];    // "Solmir Screen Saver"

// Deletes the key with everything below it and creates it again, empty.
bool ResetKey(HKEY hive, const char* path);
// Every REG_DWORD under the product key by name.
std::map<std::string, int32_t> ReadStoredValues();
// All 25 values: modules enabled as given, views at round numbers, the interval.
void StoreAllValues(bool active1, bool active2, bool active3, int32_t cycleTime);

// The settings dialog run by DialogBoxParamA on a thread of its own.
struct DialogThread
{
    HANDLE thread;
    DWORD threadId;
    INT_PTR result;
};

// Readies the process-wide flags for a new dialog, starts it and returns it
// once shown, or null on a time-out.
HWND StartSettingsDialog(DialogThread* run);
// Waits for the dialog to end; on a time-out closes it, so no test hangs.
bool WaitForDialogEnd(DialogThread* run, DWORD timeoutMs);
// A visible top-level window with the title, of the process and the thread
// when they are not 0, or null after a time-out.
HWND WaitForShownWindow(DWORD processId, DWORD threadId, const char* title);

// Real input; each waits a little after, as the dialog takes input between frames.
void ClickControl(HWND dialog, int id);
void ClickSpinArrow(HWND dialog, bool up);
void PressKey(WORD vk, int count = 1);
void TypeDigits(const char* digits);

std::string ControlText(HWND dialog, int id);
// The control's text once it reads as expected, or what it reads after the time-out.
std::string WaitForControlText(HWND dialog, int id, const std::string& expected);
bool IsChecked(HWND dialog, int id);
