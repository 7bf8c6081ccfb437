// What the test programs share: the built saver's path, processes, waiting
// while this thread's messages flow, registry values, window texts, folders.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Path of the built Solmir.scr as a Windows path (argv[1] of every test program).
std::string SolmirScrPath();
// Folder of this test program, with a trailing backslash.
std::string TestProgramFolder();
// The whole content of a file; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// A started program; ended (if still running) and closed on destruction.
struct SaverProcess
{
    PROCESS_INFORMATION info = {};
    ~SaverProcess();
};
// Starts `exe` with the command line "\"exe\" tail". False when it could not start.
bool StartProgram(const std::string& exe, const std::string& tail, SaverProcess* process);
// Exit code once the process has ended, or STILL_ACTIVE after `timeoutMs`.
DWORD WaitForExit(const SaverProcess& process, DWORD timeoutMs);
// Runs this thread's messages for `ms`.
void PumpMessagesFor(DWORD ms);
// Polls `done` (pumping messages) until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

std::string WindowTitle(HWND hwnd);
std::string WindowClass(HWND hwnd);

// Registry helpers; `path` relative to `root`.
void DeleteTree(HKEY root, const char* path);
void SetDword(HKEY root, const char* path, const char* name, DWORD value);
void SetString(HKEY root, const char* path, const char* name, const char* text);
void DeleteValue(HKEY root, const char* path, const char* name);
DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback);
bool ReadString(HKEY root, const char* path, const char* name, std::string* text);

// A fresh folder under the temporary folder, with a trailing backslash;
// RemoveFolder removes it with its files.
std::string MakeTempFolder(const char* prefix);
void RemoveFolder(const std::string& folder);
