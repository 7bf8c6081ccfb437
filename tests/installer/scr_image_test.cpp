// What the built Solmir.scr shows to Windows before any of its code runs: the application
// manifest as the loader reads it, the DLLs it imports, the version block and the icons.
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

namespace
{

// The image mapped by the loader without running any of it (imports left unresolved).
struct ScrImage
{
    HMODULE hModule = LoadLibraryExA(SolmirScrPath().c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
    ~ScrImage()
    {
        if (hModule != NULL)
        {
            FreeLibrary(hModule);
        }
    }
    const unsigned char* At(DWORD rva) const
    {
        return reinterpret_cast<const unsigned char*>(hModule) + rva;
    }
};

std::string ResourceBytes(HMODULE hModule, LPCSTR name, LPCSTR type)
{
    HRSRC hInfo = FindResourceA(hModule, name, type);
    HGLOBAL hData = hInfo != NULL ? LoadResource(hModule, hInfo) : NULL;
    const void* pData = hData != NULL ? LockResource(hData) : NULL;
    return pData == NULL
               ? std::string()
               : std::string(static_cast<const char*>(pData), SizeofResource(hModule, hInfo));
}

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string GuidText(const GUID& id)
{
    char text[40] = {};
    snprintf(text, sizeof(text), "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
             static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
             id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

// The manifest as Windows reads it when the saver starts: the activation context fails to
// build when the XML is malformed or the common controls 6 dependency cannot be found.
TEST(ScrManifest, WindowsReadsDpiAwarenessAndSupportedVersions)
{
    std::string path = SolmirScrPath();
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE hContext = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, hContext) << "error " << GetLastError();

    const struct
    {
        const wchar_t* space;
        const wchar_t* name;
        const wchar_t* expected;
    } settings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness",
         L"PerMonitorV2, PerMonitor"},
    };
    for (const auto& row : settings)
    {
        wchar_t value[128];
        wmemset(value, L'#', 128);
        SIZE_T written = 0;
        EXPECT_TRUE(QueryActCtxSettingsW(0, hContext, row.space, row.name, value, 128, &written));
        value[127] = 0;
        EXPECT_STREQ(row.expected, value);
    }

    unsigned char buffer[512];
    memset(buffer, 0xA5, sizeof(buffer));
    SIZE_T needed = 0;
    ASSERT_TRUE(QueryActCtxW(0, hContext, NULL, CompatibilityInformationInActivationContext, buffer,
                             sizeof(buffer), &needed));
    ASSERT_LE(needed, sizeof(buffer));
    DWORD count = 0;
    memcpy(&count, buffer, sizeof(count));
    // Windows 10 added a 64-bit field to each element, moving them to 8-byte alignment; the
    // returned size tells which layout this system uses.
    const size_t first = needed == 8 + count * 32 ? 8 : 4;
    const size_t stride = needed == 8 + count * 32 ? 32 : 20;
    ASSERT_EQ(needed, first + count * stride);
    std::vector<std::string> ids;
    for (DWORD i = 0; i < count; ++i)
    {
        GUID id = {};
        DWORD type = 0;
        memcpy(&id, buffer + first + i * stride, sizeof(id));
        memcpy(&type, buffer + first + i * stride + sizeof(id), sizeof(type));
        if (type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
        {
            ids.push_back(GuidText(id));
        }
    }
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) // 10 and 11
    {
        EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), os)) << os;
    }
    ReleaseActCtx(hContext);
}

// What the loader matches before it starts the program: a wrong architecture in the
// program's own identity stops it, and a dependency on another common-controls version
// keeps the old controls.
TEST(ScrManifest, NamesThe64BitImageAndCommonControls6)
{
    ScrImage scr;
    ASSERT_TRUE(scr.hModule != NULL);
    std::string manifest = ResourceBytes(scr.hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    size_t dependency = manifest.find("<dependency>");
    ASSERT_NE(std::string::npos, dependency);
    EXPECT_NE(std::string::npos,
              manifest.substr(0, dependency).find("processorArchitecture=\"amd64\""));
    for (const char* attribute :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "processorArchitecture=\"*\""})
    {
        EXPECT_NE(std::string::npos, manifest.find(attribute, dependency)) << attribute;
    }
}

// Only DLLs every Windows since 7 ships: the saver is one file with nothing beside it.
TEST(ScrImports, NameOnlyDllsWindowsShips)
{
    const std::vector<std::string> allowed = {
        "kernel32.dll", "user32.dll",   "gdi32.dll", "advapi32.dll", "shell32.dll",
        "comctl32.dll", "opengl32.dll", "glu32.dll", "msvcrt.dll",   "imm32.dll"};
    ScrImage scr;
    ASSERT_TRUE(scr.hModule != NULL);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(scr.At(0));
    const IMAGE_NT_HEADERS64* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS64*>(scr.At(dos->e_lfanew));
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, nt->OptionalHeader.Magic);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(0u, imports.VirtualAddress);
    // A delay-loaded DLL would be missed by the check below and fail only when first used.
    EXPECT_EQ(0u, nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size);
    int count = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* d =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(scr.At(imports.VirtualAddress));
         d->Name != 0; ++d, ++count)
    {
        std::string dll = Lower(reinterpret_cast<const char*>(scr.At(d->Name)));
        EXPECT_NE(allowed.end(), std::find(allowed.begin(), allowed.end(), dll)) << dll;
    }
    EXPECT_GT(count, 0);
}

TEST(ScrVersion, BlockDescribesSolmir)
{
    std::string path = SolmirScrPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size, '\xA5');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* pFixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pFixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0x00010000u, pFixed->dwFileVersionMS); // 1.0
    EXPECT_EQ(0x00010001u, pFixed->dwFileVersionLS); // 1.1
    EXPECT_EQ(0x00010000u, pFixed->dwProductVersionMS);
    EXPECT_EQ(0x00010001u, pFixed->dwProductVersionLS);

    const struct
    {
        const char* name;
        const char* expected;
    } rows[] = {
        {"FileVersion", "1, 0, 1, 1"},
        {"ProductVersion", "1, 0, 1, 1"},
        {"FileDescription", "Solmir"},
        {"InternalName", "Solmir"},
        {"OriginalFilename", "Solmir.scr"},
        {"CompanyName", "Quenwick Software"},
        {"ProductName", "Quenwick Software Solmir"},
    };
    for (const auto& row : rows)
    {
        // U.S. English, Unicode: the translation Explorer looks up first.
        std::string query = std::string("\\StringFileInfo\\040904b0\\") + row.name;
        char* pText = NULL;
        EXPECT_TRUE(
            VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&pText), &length))
            << row.name;
        EXPECT_STREQ(row.expected, pText != NULL ? pText : "") << row.name;
    }
}

// Each icon group names icon images that are really there, with the sizes it states.
TEST(ScrIcons, GroupsAndTheirImagesExist)
{
    ScrImage scr;
    ASSERT_TRUE(scr.hModule != NULL);
    const LPCSTR groups[] = {"ID_APP", MAKEINTRESOURCEA(104)};
    for (LPCSTR id : groups)
    {
        const char* name = IS_INTRESOURCE(id) ? "104" : id;
        std::string group = ResourceBytes(scr.hModule, id, MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
        ASSERT_GE(group.size(), 6u) << name;
        WORD header[3];
        memcpy(header, group.data(), sizeof(header));
        EXPECT_EQ(1, header[1]) << name; // icons, not cursors
        ASSERT_GT(header[2], 0) << name;
        ASSERT_EQ(6u + header[2] * 14u, group.size()) << name;
        for (WORD i = 0; i < header[2]; ++i)
        {
            DWORD bytes = 0;
            WORD imageId = 0;
            memcpy(&bytes, group.data() + 6 + i * 14 + 8, sizeof(bytes));
            memcpy(&imageId, group.data() + 6 + i * 14 + 12, sizeof(imageId));
            std::string image = ResourceBytes(scr.hModule, MAKEINTRESOURCEA(imageId),
                                              MAKEINTRESOURCEA(3)); // RT_ICON
            EXPECT_EQ(bytes, image.size()) << name << " image " << imageId;
        }
    }
}

} // namespace
