// What the test programs share: the built saver's path, processes, waiting
// while this thread's messages flow, registry values, window texts, folders, the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string SolmirScrPath();     // the built Solmir.scr, given as argv[1], as a Windows path
std::string TestProgramFolder(); // this test program's, with a trailing backslash
bool ReadFileBytes(const std::string& path, std::string* bytes);

// A started program; ended (if still running) and closed on destruction.
struct SaverProcess
{
    PROCESS_INFORMATION info = {};
    ~SaverProcess();
};
// Starts `exe` with the command line "\"exe\" tail". False when it could not start.
bool StartProgram(const std::string& exe, const std::string& tail, SaverProcess* process);
DWORD WaitForExit(const SaverProcess& process, DWORD timeoutMs); // or STILL_ACTIVE
void PumpMessagesFor(DWORD ms);                                  // runs this thread's messages
// Polls `done`, running this thread's messages, until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

std::string WindowTitle(HWND hwnd);
std::string WindowClass(HWND hwnd);

// Registry helpers; `path` relative to `root`.
void DeleteTree(HKEY root, const char* path);
void SetDword(HKEY root, const char* path, const char* name, DWORD value);
void SetString(HKEY root, const char* path, const char* name, const char* text);
DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback);
std::string ReadString(HKEY root, const char* path, const char* name, const char* fallback = "");

// A fresh folder under the temporary folder, with a trailing backslash; RemoveFolder removes a
// folder with all it holds.
std::string MakeTempFolder(const char* prefix);
void RemoveFolder(const std::string& folder);

// The screen's pixels in `area`, 32 bits each, the top row first; and the smallest rectangle
// that holds every one of them that is not black (empty when none is).
std::vector<uint32_t> CaptureScreen(const RECT& area);
RECT LitBox(const RECT& area);
