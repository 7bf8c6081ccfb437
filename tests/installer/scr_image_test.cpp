// What Windows reads from the built Solmir.scr before any of its code runs: the version block,
// the manifest, the DLLs it imports and the icons.
#include "support/support.h"

#include <gtest/gtest.h>

namespace
{

// The image as the loader maps it, without running it or resolving its imports.
HMODULE MapScr()
{
    return LoadLibraryExA(SolmirScrPath().c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
}

// Explorer shows the file's properties through this lookup (U.S. English, Unicode).
TEST(ScrImage, WindowsFindsTheVersionBlock)
{
    std::string path = SolmirScrPath();
    std::string block(GetFileVersionInfoSizeA(path.c_str(), NULL), '\xA5');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, (DWORD)block.size(), &block[0]));
    char* text = NULL;
    UINT length = 0;
    VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", (void**)&text, &length);
    EXPECT_STREQ("Quenwick Software Solmir", text != NULL ? text : "");
}

// The activation context fails to build when the manifest is malformed or names a dependency
// Windows cannot find; without per-monitor awareness Windows would stretch the saver's frames.
TEST(ScrImage, WindowsBuildsTheManifestWithPerMonitorDpiAwareness)
{
    std::string path = SolmirScrPath();
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE hContext = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, hContext) << "error " << GetLastError();
    wchar_t value[64] = L"";
    QueryActCtxSettingsW(0, hContext, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                         L"dpiAwareness", value, 64, NULL);
    EXPECT_STREQ(L"PerMonitorV2, PerMonitor", value);
    ReleaseActCtx(hContext);
}

// Windows takes a known DLL from the system folder whatever folder the saver is started from,
// and any other DLL from beside the saver first; the saver loads the others itself.
TEST(ScrImage, ImportsOnlyKnownDlls)
{
    const std::string allowed =
        " kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll msvcrt.dll ";
    const BYTE* base = (const BYTE*)MapScr();
    ASSERT_TRUE(base != NULL);
    const IMAGE_DATA_DIRECTORY* dirs =
        ((const IMAGE_NT_HEADERS64*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew))
            ->OptionalHeader.DataDirectory;
    const IMAGE_IMPORT_DESCRIPTOR* d =
        (const IMAGE_IMPORT_DESCRIPTOR*)(base + dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; d->Name != 0; ++d)
    {
        std::string dll = CharLowerA(std::string((const char*)base + d->Name).data());
        EXPECT_NE(std::string::npos, allowed.find(" " + dll + " ")) << dll;
    }
}

// Explorer, the taskbar and the dialogs ask for each size a group holds; a broken entry fails
// to load or comes out blank. Vista and later ask for the 256-pixel program icon, a PNG.
TEST(ScrImage, EachIconLoadsAtEachOfItsSizes)
{
    HMODULE hScr = MapScr();
    // Each group with its largest size in pixels.
    for (const auto& [name, expected] :
         {std::pair<LPCSTR, int>{"ID_APP", 256}, {MAKEINTRESOURCEA(104), 48}})
    {
        HRSRC hInfo = FindResourceA(hScr, name, MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
        const BYTE* group = (const BYTE*)LockResource(LoadResource(hScr, hInfo));
        ASSERT_TRUE(group != NULL);
        int largest = 0;
        for (int i = 0; i < *(const WORD*)(group + 4); ++i)
        {
            const int size = group[6 + 14 * i] == 0 ? 256 : group[6 + 14 * i]; // 0 means 256
            largest = size > largest ? size : largest;
            HICON hIcon = (HICON)LoadImageA(hScr, name, IMAGE_ICON, size, size, 0);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(hIcon, &info)) << size;
            // The colour image Windows made of the entry: as wide as asked, and mostly not black.
            BITMAP color = {};
            GetObjectA(info.hbmColor, sizeof(color), &color);
            EXPECT_EQ(size, color.bmWidth);
            std::string bits(size * size * 4, '\0');
            GetBitmapBits(info.hbmColor, (LONG)bits.size(), &bits[0]);
            int shown = 0;
            for (int k = 0; k < size * size; ++k)
                shown += (*(const DWORD*)&bits[k * 4] & 0xFFFFFF) != 0;
            EXPECT_GT(shown, size * size / 4) << size;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(hIcon);
        }
        EXPECT_EQ(expected, largest);
    }
}

} // namespace
