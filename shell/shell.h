// Called by: the runtime (SaverEntry); every folder reads its instance, window and tick clock;
// the settings dialog and the GL context load their platform libraries through here.
// Calls: the saver host with the window's messages, the settings dialog, the password libraries.
//
// Saver shell: the entry routine and run modes, the saver window with its
// input dismissal and close gate, the saver password hooks, and the tick
// clock every timed rule reads. Everything here runs on the one UI thread.
#pragma once

#include <windows.h>
#include <stdint.h>

// ---- Entry and run modes (entry.cpp) ----------------------------------------

extern HINSTANCE g_hInstance; // the program's own module; set by DispatchRunMode
extern bool g_bWin9x;         // the Windows 9x family; set by DispatchRunMode

// What the first switch letter of the command line asks for.
enum RunMode
{
    RUN_INVALID,        // unknown switch: nothing runs, exit code -1
    RUN_SETTINGS,       // no switch: settings dialog without owner
    RUN_SETTINGS_OWNED, // C: settings dialog owned by the foreground window
    RUN_SAVER,          // S: full-screen saving
    RUN_PREVIEW,        // P or L: preview inside the window that follows
    RUN_PASSWORD        // A: password change owned by the window that follows
};

struct RunRequest
{
    RunMode mode;
    uint32_t window; // the decimal window handle after P, L or A; 0 otherwise
};

// Pure parsing of the command line; no platform calls beyond CharNextA.
const char* SkipProgramName(const char* line);
const char* SkipSeparators(const char* text); // bytes 0x01 to 0x20 between name and switch
RunRequest ParseRunRequest(const char* text);

[[noreturn]] void SaverEntry();

// ---- Saver window (saver_window.cpp, center.cpp) ----------------------------

extern HWND g_hSaverWnd;    // the saver window of this process, or null
extern POINT g_ptCursorRef; // reference cursor position for mouse dismissal

// Saving when `parent` is null, else preview inside it. Returns 0 when another
// saver already runs, -1 when no window could be made, otherwise the quit
// message's wParam.
int RunSaverWindow(HWND parent);
// The saver window alone, without the message loop; null when it could not be made.
HWND CreateSaverWindow(HWND parent);
LRESULT DefSaverWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// System commands the full-screen saver ignores: window switching and a
// second screen saver.
bool IsSwallowedCommand(WPARAM command);
// Sum of horizontal and vertical distance between two points.
uint32_t CursorDistance(POINT from, POINT to);

// Centres a window on the desktop, at the top of the Z order, shown.
void CenterOnDesktop(HWND hwnd);

// ---- Password verification and change (password.cpp) -----------------------

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND);
extern VerifyPasswordProc g_pfnVerifyPassword; // VerifyScreenSavePwd; set while one is required

void LoadPasswordVerifier();
void ReleasePasswordVerifier();
void SetSaverRunning(bool on);
void ChangeSaverPassword(HWND owner);

// ---- System libraries (system_library.cpp) ---------------------------------
// Nothing is loaded from the folder the saver sits in, nor from the current one.

void LimitLibrarySearch(); // the process's own loads by name: the system folder alone
// Loads a platform library from the system folder, whatever the program's folder holds.
HMODULE LoadSystemLibrary(const char* name);
void LoadGlLibraries(); // opengl32 and glu32, all entries bound; before any GL call

// ---- Tick clock (clock.cpp) -------------------------------------------------
// Every timed rule reads time through ReadTickCount, so tests can own the clock.

typedef DWORD(WINAPI* TickCountProc)();
extern TickCountProc g_pfnTickCount; // GetTickCount unless a test replaces it

DWORD ReadTickCount();
void SleepTicks(DWORD ms);
