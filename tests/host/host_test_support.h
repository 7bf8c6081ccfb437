// Helpers for the saver host tests: keys reset to a known state, the run-once
// list, a tick clock the test drives, and the notice's dialogs and message
// boxes found and answered as a user would.
#pragma once

#include "support/saver_process.h"

#include <windows.h>
#include <string>
#include <vector>

extern const char kProductPath[];       // "Software\\Quenwick\\Solmir"
extern const char kRunOncePath[];       // "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
extern const char kNoticeTitle[];       // title of dialog 2005
extern const char kRemovedCaption[];    // the confirmation after a scheduled removal
extern const char kRemovedText[];       // ... and its text
extern const char kNotRemovedCaption[]; // the message when nothing was scheduled
extern const char kNotRemovedText[];    // ... and its text

// Deletes the key (a symbolic link itself, not its target) with everything below it.
bool DeleteKey(HKEY hive, const char* path);
// DeleteKey, then creates the key again, empty.
bool ResetKey(HKEY hive, const char* path);
// A value of the machine's run-once list, or "<missing>".
std::string RunOnceEntry(const char* name);
int RunOnceCount();

// Each read of the program's tick clock returns the next scripted value, then
// `step` more than the last; sleeping advances the clock instead of waiting.
void InstallTestClock(const std::vector<DWORD>& script, DWORD step);
void RestoreRealClock();
int ClockReads();

// A visible top-level dialog or message box with this title, waited for.
HWND WaitForDialog(const char* title, DWORD timeoutMs);
// The notice's rate line once its procedure has replaced the placeholder.
std::string NoticeRateText(HWND notice, DWORD timeoutMs);
// Posted, not sent: the press may open a modal box.
void PressButton(HWND dialog, int id);

// What was seen of a message box before it was dismissed.
struct SeenBox
{
    std::string caption = "<none>";
    std::string text;
    bool above = false; // above `below` in Z order
};
// Waits for a box with the caption of a scheduled removal or of a refused one,
// reads it and presses OK.
SeenBox DismissRemovalBox(DWORD timeoutMs, HWND below = NULL);
