// Platform libraries come from the system folder only. For every DLL that is
// not a known DLL, Windows looks in the program's own folder before the
// system's, and a saver is often started from Downloads, where anything may
// lie beside it.
#include "shell/shell.h"

namespace
{

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD flags);

// The search flags came with SetDefaultDllDirectories in the loader update of
// 2011: Windows 7 without it, and the 9x family, know neither.
SetDefaultDllDirectoriesProc FindSetDefaultDllDirectories()
{
    return reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
}

} // namespace

void LimitLibrarySearch()
{
    // Loads the platform makes for the saver by bare name (a GL driver, a
    // theme library) search the system folder alone from here on.
    SetDefaultDllDirectoriesProc limit = FindSetDefaultDllDirectories();
    if (limit != NULL)
    {
        limit(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

HMODULE LoadSystemLibrary(const char* name)
{
    if (FindSetDefaultDllDirectories() != NULL)
    {
        // By name, so that a manifest's side-by-side version is still found.
        return LoadLibraryExA(name, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    char path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH)
    {
        return NULL;
    }
    path[length] = '\\';
    lstrcpyA(path + length + 1, name);
    // The altered search takes the library's own imports from its folder too.
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}
