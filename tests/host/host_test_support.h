// Helpers for the saver host tests: registry keys reset to a known state, a
// tick clock the test drives, and a watcher that finds the dialogs and
// message boxes a modal call puts up and presses their buttons.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

extern const char kProductPath[];    // "Software\\Quenwick\\Solmir"
extern const char kRunOncePath[];    // "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
extern const char kNoticeTitle[];    // title of dialog 2005
extern const char kRemovedCaption[]; // the confirmation after a scheduled removal
extern const char kRemovedText[];
extern const char kNotRemovedCaption[]; // the message when nothing was scheduled
extern const char kNotRemovedText[];

// ---- Registry ----------------------------------------------------------------

// Deletes the key (a symbolic link itself, not its target) with everything
// below it, then creates it again, empty.
bool ResetKey(HKEY hive, const char* path);
bool DeleteKey(HKEY hive, const char* path);
bool SetString(HKEY hive, const char* path, const char* name, const std::string& text);
// The REG_SZ text, or "<missing>" when the value (or the key) is not there.
std::string GetString(HKEY hive, const char* path, const char* name);
int ValueCount(HKEY hive, const char* path);
// Replaces the key by a volatile symbolic link to a key that cannot be
// created: its parent is volatile and the store creates keys non-volatile.
bool MakeUnwritableLink(const char* path);
// True when the link's target key came into being after all.
bool UnreachableTargetExists();

// ---- Clock -------------------------------------------------------------------

// The tick clock of the program, driven by the test: each read returns the
// next scripted value; once the script is used up every read is `step` after
// the last. Sleeping advances the clock instead of waiting.
void InstallTestClock(const std::vector<DWORD>& script, DWORD step);
void RestoreRealClock();
int ClockReads();

// ---- Windows and dialogs -------------------------------------------------------

// Waits (real time) for a visible top-level dialog window with this title.
HWND WaitForDialog(const char* title, DWORD timeoutMs);
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs);
std::string WindowText(HWND hwnd);
std::string ItemText(HWND dialog, int id);
// The rate line of the notice once its dialog procedure has replaced the
// template's placeholder (the dialog is shown while it initialises).
std::string NoticeRateText(HWND notice, DWORD timeoutMs);
// The message text of a message box: its static control with text.
std::string MessageBoxText(HWND box);
// Presses a button without waiting for what the press opens.
void PressButton(HWND dialog, int id);

// What a watcher saw of one message box before it dismissed it.
struct SeenBox
{
    std::string caption; // "<none>" when no box came
    std::string text;
    bool above; // it was above the window given to look for, in Z order
};
// Waits for a message box with one of the two captions, reads it, presses OK.
SeenBox DismissMessageBox(const char* caption1, const char* caption2, DWORD timeoutMs,
                          HWND below = NULL);
