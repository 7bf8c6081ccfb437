// Helpers for the settings tests: the product key, dialogs run on a UI thread
// of their own while the test thread drives them with real input.
#pragma once

#include "support/saver_process.h"

#include <windows.h>
#include <stdint.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

extern const char kProductKey[];    // "Software\\Quenwick\\Solmir" under HKEY_CURRENT_USER
extern const char kSettingsTitle[]; // "Solmir Screen Saver Settings"
extern const char kAboutTitle[];    // "Solmir Screen Saver"

// ---- Registry ---------------------------------------------------------------

// Deletes the key with everything below it and creates it again, empty.
bool ResetKey(HKEY hive, const char* path);
void SetStoredValue(const char* name, int32_t value); // REG_DWORD under the product key
bool GetStoredValue(const char* name, int32_t* value);
// Every REG_DWORD under the product key by name.
std::map<std::string, int32_t> ReadStoredValues();
// All 25 values in their stored form: every module enabled as given, views at
// round numbers, and the interval.
void StoreAllValues(bool active1, bool active2, bool active3, int32_t cycleTime);
void SetDefaultString(HKEY hive, const char* path, const char* text);

// ---- A dialog on its own UI thread -------------------------------------------

struct DialogThread
{
    HANDLE thread;
    DWORD threadId;
    int resource;
    DLGPROC proc;
    HWND owner;
    INT_PTR result;
};

// Runs DialogBoxParamA for the resource on a new thread and waits until a
// window with the title is shown; returns it, or null on a time-out.
HWND StartDialog(DialogThread* run, int resource, DLGPROC proc, HWND owner, const char* title);
// Readies the process-wide flags for a new settings dialog and starts it.
HWND StartSettingsDialog(DialogThread* run);
// Waits for the dialog to end; on a time-out posts WM_CLOSE, then destroys
// it, so no test hangs. Returns false on a time-out.
bool WaitForDialogEnd(DialogThread* run, DWORD timeoutMs);

// A visible top-level window with the title owned by the thread, or null.
HWND FindThreadWindow(DWORD threadId, const char* title);

// ---- Real input ----------------------------------------------------------------

void ClickAt(POINT screen);
void ClickControl(HWND dialog, int id);
void ClickSpinArrow(HWND dialog, bool up);
void PressKey(WORD vk);
void PressKeys(WORD vk, int count);
void TypeDigits(const char* digits);
void ClearFocusedEdit();

// ---- Window state read from the test thread ---------------------------------------

std::string ControlText(HWND dialog, int id);
// The control's text once it reads as expected, or what it reads after the
// time-out: the dialog takes input only between frames.
std::string WaitForControlText(HWND dialog, int id, const std::string& expected);
bool IsChecked(HWND dialog, int id);

// ---- Pixels ---------------------------------------------------------------------

// Pixels (0x00RRGGBB) brighter than a dark grey.
int CountLitPixels(const std::vector<uint32_t>& pixels);
