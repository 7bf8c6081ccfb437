// Platform libraries come from the system folder only. For every DLL that is
// not a known DLL, Windows looks in the program's own folder before the
// system's, and a saver is often started from Downloads, where anything may
// lie beside it. opengl32 and glu32 are not known DLLs, so they are
// delay-loaded, through the hook below.
#include "shell/shell.h"

#include <delayimp.h>

// dlltool names each delay-import record after the library file it writes
// (CMakeLists.txt); the helper is the one every delay-loaded call goes through.
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a;
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr record, FARPROC* entry);
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{

bool s_bGlLoaded; // every GL and GLU entry of the image is bound

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD flags);

// The search flags came with SetDefaultDllDirectories in the loader update of
// 2011: Windows 7 without it, and the 9x family, know neither.
SetDefaultDllDirectoriesProc FindSetDefaultDllDirectories()
{
    return reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
}

// Every Windows has both GL libraries in its system folder, so the delay-load
// helper's own load by bare name, should this one fail, never happens.
FARPROC WINAPI LoadDelayedLibrary(unsigned notice, PDelayLoadInfo info)
{
    return notice == dliNotePreLoadLibrary
               ? reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll))
               : NULL;
}

} // namespace

PfnDliHook __pfnDliNotifyHook2 = LoadDelayedLibrary;

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

void LoadGlLibraries()
{
    // binutils' delay-load stub passes the integer arguments of the call that
    // loads, but not the floating-point ones: every entry is bound here, before
    // the first GL call, so that no call ever goes through a stub.
    if (s_bGlLoaded)
    {
        return;
    }
    static const ImgDelayDescr* const records[] = {&__DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a,
                                                   &__DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a};
    for (const ImgDelayDescr* record : records)
    {
        FARPROC* entry =
            reinterpret_cast<FARPROC*>(reinterpret_cast<BYTE*>(&__ImageBase) + record->rvaIAT);
        for (; *entry != NULL; ++entry)
        {
            __delayLoadHelper2(record, entry);
        }
    }
    s_bGlLoaded = true;
}
