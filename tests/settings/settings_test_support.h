// Helpers for the settings tests: the product key, windows found by title,
// and real input that the dialog takes between frames.
#pragma once

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
// A visible top-level window with the title, of the process and the thread
// when they are not 0, or null after a time-out.
HWND WaitForShownWindow(DWORD processId, DWORD threadId, const char* title);
// A click in the middle of the control, or at a point inside its upper or lower quarter.
void ClickControl(HWND dialog, int id, int quarter = 2);
// The key presses go into the queue at once, as a fast typist's would.
void PressKeys(const std::string& keys);
