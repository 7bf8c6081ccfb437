// Helpers for the end-to-end tests: starting the built saver, finding its
// window, moving the real cursor, and the registry values the tests use.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A started saver process; ended (if still running) and closed on destruction.
struct SaverProcess
{
    PROCESS_INFORMATION info = {};
    ~SaverProcess();
};

// Starts `exe` with the command line "\"exe\" tail". False when it could not start.
bool StartProgram(const std::string& exe, const std::string& tail, SaverProcess* process);
// Exit code once the process has ended, or STILL_ACTIVE after `timeoutMs`.
// Messages of this thread keep flowing while waiting.
DWORD WaitForExit(const SaverProcess& process, DWORD timeoutMs);
// Runs this thread's messages for `ms`.
void PumpMessagesFor(DWORD ms);
// Polls `done` (pumping messages) until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Windows of the saver class, top-level or children of `parent`, of any process.
std::vector<HWND> FindSaverWindows(HWND parent = NULL);
// The saver window of `process`, waiting up to `timeoutMs` for it to appear.
HWND WaitForSaverWindow(const SaverProcess& process, DWORD timeoutMs, HWND parent = NULL);
std::string WindowTitle(HWND hwnd);
std::string WindowClass(HWND hwnd);

// Real cursor moves and clicks, as the user's mouse would make them.
void MoveCursorTo(LONG x, LONG y);
void ClickLeftButton();

// Registry helpers; paths are relative to HKEY_CURRENT_USER unless a root is given.
void DeleteTree(HKEY root, const char* path);
void SetDword(HKEY root, const char* path, const char* name, DWORD value);
void SetString(HKEY root, const char* path, const char* name, const char* text);
void DeleteValue(HKEY root, const char* path, const char* name);
DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback);
bool ReadString(HKEY root, const char* path, const char* name, std::string* text);

// A fresh folder under the temporary folder, removed with its files by RemoveFolder.
std::string MakeTempFolder(const char* prefix);
void RemoveFolder(const std::string& folder);
// Folder of this test program, with a trailing backslash.
std::string TestProgramFolder();

// The system's saver-running flag, as any program reads it.
bool IsSaverRunningFlagSet();
void SetSaverRunningFlag(bool on);
