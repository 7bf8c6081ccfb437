// Helpers for the engine's end-to-end tests: the built saver started as a
// process, real key presses and cursor moves, and screen captures.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <string>

// A started saver; ended (if still running) and closed on destruction.
struct SaverRun
{
    PROCESS_INFORMATION info = {};
    ~SaverRun();
};

bool StartSaverRun(const std::string& arguments, SaverRun* run);
// The full-screen saver window of the run once it is in front, or null.
HWND WaitForSaverInFront(const SaverRun& run, DWORD timeoutMs);
// Exit code, or STILL_ACTIVE when the run did not end within the time.
DWORD WaitForRunExit(const SaverRun& run, DWORD timeoutMs);
bool IsRunAlive(const SaverRun& run);

void PressKey(WORD vk);
void MoveCursorAbsolute(LONG x, LONG y);
