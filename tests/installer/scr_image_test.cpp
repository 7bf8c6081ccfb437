// What the built Solmir.scr shows to Windows before any of its code runs: the application
// manifest, the DLLs it imports, the version block and the icons.
#include "manifest_xml.h"
#include "pe_imports.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace
{

// The image mapped as data: resources readable, no code run.
struct ScrData
{
    HMODULE hModule;
    ScrData() : hModule(LoadLibraryExA(SolmirScrPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ScrData()
    {
        if (hModule != NULL)
        {
            FreeLibrary(hModule);
        }
    }
};

bool LoadResourceBytes(HMODULE hModule, LPCSTR name, LPCSTR type, std::string* pBytes)
{
    HRSRC hInfo = FindResourceA(hModule, name, type);
    if (hInfo == NULL)
    {
        return false;
    }
    HGLOBAL hData = LoadResource(hModule, hInfo);
    const void* pData = hData != NULL ? LockResource(hData) : NULL;
    if (pData == NULL)
    {
        return false;
    }
    pBytes->assign(static_cast<const char*>(pData), SizeofResource(hModule, hInfo));
    return true;
}

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isspace(static_cast<unsigned char>(text[begin])))
    {
        ++begin;
    }
    while (end > begin && isspace(static_cast<unsigned char>(text[end - 1])))
    {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text != 0; ++text)
    {
        out += static_cast<char>(*text);
    }
    return out;
}

std::string GuidText(const GUID& id)
{
    char text[40];
    memset(text, 0, sizeof(text));
    snprintf(text, sizeof(text), "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
             static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
             id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

struct OsRow
{
    const char* name;
    const char* id;
};
const OsRow kSupportedOs[] = {
    {"Windows 7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
    {"Windows 8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
    {"Windows 8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
    {"Windows 10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
};

std::string ReadManifest()
{
    ScrData scr;
    std::string manifest;
    EXPECT_TRUE(scr.hModule != NULL) << SolmirScrPath();
    EXPECT_TRUE(LoadResourceBytes(scr.hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24),
                                  &manifest)); // RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID
    return manifest;
}

TEST(ScrManifest, DeclaresPerMonitorDpiAwareness)
{
    std::string manifest = ReadManifest();
    std::vector<XmlElement> aware = FindXmlElements(manifest, "dpiAware");
    ASSERT_EQ(1u, aware.size());
    EXPECT_EQ("true/pm", Trim(aware[0].text));

    // Windows 10 1703 and later take the first value they know: V2, else per-monitor.
    std::vector<XmlElement> awareness = FindXmlElements(manifest, "dpiAwareness");
    ASSERT_EQ(1u, awareness.size());
    std::string list = awareness[0].text;
    size_t comma = list.find(',');
    ASSERT_NE(std::string::npos, comma) << list;
    EXPECT_EQ("PerMonitorV2", Trim(list.substr(0, comma)));
    EXPECT_EQ("PerMonitor", Trim(list.substr(comma + 1)));
}

TEST(ScrManifest, DependsOnCommonControls6)
{
    std::string manifest = ReadManifest();
    std::vector<XmlElement> dependencies = FindXmlElements(manifest, "dependentAssembly");
    ASSERT_EQ(1u, dependencies.size());
    std::vector<XmlElement> identity = FindXmlElements(dependencies[0].text, "assemblyIdentity");
    ASSERT_EQ(1u, identity.size());
    struct Row
    {
        const char* attribute;
        const char* expected;
    };
    const Row rows[] = {
        {"type", "win32"},
        {"name", "Microsoft.Windows.Common-Controls"},
        {"version", "6.0.0.0"},
        {"publicKeyToken", "6595b64144ccf1df"},
        {"processorArchitecture", "*"},
    };
    for (const Row& row : rows)
    {
        std::string value;
        EXPECT_TRUE(GetXmlAttribute(identity[0], row.attribute, &value)) << row.attribute;
        EXPECT_EQ(row.expected, value) << row.attribute;
    }
}

TEST(ScrManifest, IdentityMatchesThe64BitImage)
{
    std::string manifest = ReadManifest();
    std::vector<XmlElement> identities = FindXmlElements(manifest, "assemblyIdentity");
    ASSERT_FALSE(identities.empty());
    // The first identity is the program's own; a wrong architecture stops it from starting.
    std::string architecture;
    EXPECT_TRUE(GetXmlAttribute(identities[0], "processorArchitecture", &architecture));
    EXPECT_EQ("amd64", architecture);
}

TEST(ScrManifest, ListsSupportedWindowsVersions)
{
    std::string manifest = ReadManifest();
    std::vector<std::string> ids;
    for (const XmlElement& os : FindXmlElements(manifest, "supportedOS"))
    {
        std::string id;
        EXPECT_TRUE(GetXmlAttribute(os, "Id", &id));
        ids.push_back(Lower(id));
    }
    for (const OsRow& row : kSupportedOs)
    {
        EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), row.id)) << row.name;
    }
}

// The same manifest read by Windows itself, as the loader does when the saver starts.
TEST(ScrManifest, WindowsReadsTheSameSettings)
{
    std::string path = SolmirScrPath();
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    // Fails when the manifest is malformed or a dependency (common controls 6) is missing.
    HANDLE hContext = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, hContext) << "error " << GetLastError();

    struct SettingRow
    {
        const wchar_t* space;
        const wchar_t* name;
        const char* expected;
    };
    const SettingRow settings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", "true/pm"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness",
         "PerMonitorV2, PerMonitor"},
    };
    for (const SettingRow& row : settings)
    {
        wchar_t value[128];
        wmemset(value, L'#', 128);
        SIZE_T written = 0;
        EXPECT_TRUE(QueryActCtxSettingsW(0, hContext, row.space, row.name, value, 128, &written))
            << row.expected;
        value[127] = 0;
        EXPECT_EQ(row.expected, Narrow(value));
    }

    // Windows' own list of the supported versions.
    unsigned char buffer[512];
    memset(buffer, 0xA5, sizeof(buffer));
    SIZE_T needed = 0;
    ASSERT_TRUE(QueryActCtxW(0, hContext, NULL, CompatibilityInformationInActivationContext, buffer,
                             sizeof(buffer), &needed));
    DWORD count = 0;
    memcpy(&count, buffer, sizeof(count));
    // Windows 10 added a 64-bit field to each element, which moved them to 8-byte alignment:
    // the returned size tells which layout this system uses.
    size_t first = 0;
    size_t stride = 0;
    if (needed == 8 + count * 32)
    {
        first = 8;
        stride = 32;
    }
    else if (needed == 4 + count * 20)
    {
        first = 4;
        stride = 20;
    }
    ASSERT_NE(0u, stride) << needed << " bytes for " << count << " elements";
    ASSERT_LE(needed, sizeof(buffer));
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
    for (const OsRow& row : kSupportedOs)
    {
        EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), row.id)) << row.name;
    }

    ReleaseActCtx(hContext);
}

// Only DLLs every Windows since 7 ships: the saver is one file with nothing beside it.
TEST(ScrImports, NameOnlyDllsWindowsShips)
{
    const char* const allowed[] = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll",
                                   "shell32.dll",  "comctl32.dll", "opengl32.dll", "glu32.dll",
                                   "msvcrt.dll",   "imm32.dll"};
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &bytes));
    PeImports imports =
        ReadPeImports(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    ASSERT_TRUE(imports.ok);
    EXPECT_FALSE(imports.dlls.empty());
    std::vector<std::string> all = imports.dlls;
    all.insert(all.end(), imports.delayDlls.begin(), imports.delayDlls.end());
    for (const std::string& dll : all)
    {
        bool known = false;
        for (const char* name : allowed)
        {
            known = known || Lower(dll) == name;
        }
        EXPECT_TRUE(known) << dll;
    }
}

// A damaged image is refused without reading outside its bytes.
TEST(PeImports, RefusesDamagedImages)
{
    std::string good;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &good));
    ASSERT_GT(good.size(), 0x200u);
    DWORD peOffset = 0;
    memcpy(&peOffset, good.data() + 0x3C, sizeof(peOffset));
    ASSERT_LT(peOffset + 0x100, good.size());

    struct Row
    {
        const char* name;
        size_t offset; // byte to change, or SIZE_MAX
        unsigned char value;
        size_t keep; // bytes kept from the start
    };
    const Row rows[] = {
        {"empty file", SIZE_MAX, 0, 0},
        {"only the MZ mark", SIZE_MAX, 0, 2},
        {"DOS header only", SIZE_MAX, 0, 0x40},
        {"cut inside the headers", SIZE_MAX, 0, peOffset + 30},
        {"no MZ mark", 0, 'X', SIZE_MAX},
        {"PE header beyond the end", 0x3F, 0x7F, SIZE_MAX},
        {"no PE signature", peOffset, 'X', SIZE_MAX},
        {"unknown optional header", peOffset + 24, 0x07, SIZE_MAX},
        {"section table beyond the end", peOffset + 20, 0xFF, SIZE_MAX},
    };
    for (const Row& row : rows)
    {
        std::string bytes = good.substr(0, row.keep);
        if (row.offset != SIZE_MAX)
        {
            bytes[row.offset] = static_cast<char>(row.value);
            if (row.offset == peOffset + 20) // a 16-bit field: both bytes
            {
                bytes[row.offset + 1] = static_cast<char>(row.value);
            }
        }
        // Copied to its own block so a read past the end is a read past the allocation.
        std::vector<unsigned char> copy(bytes.begin(), bytes.end());
        PeImports imports = ReadPeImports(copy.data(), copy.size());
        EXPECT_FALSE(imports.ok) << row.name;
    }
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
    EXPECT_EQ(0xFEEF04BDu, pFixed->dwSignature);
    EXPECT_EQ(0x00010000u, pFixed->dwFileVersionMS); // 1.0
    EXPECT_EQ(0x00010001u, pFixed->dwFileVersionLS); // 1.1
    EXPECT_EQ(0x00010000u, pFixed->dwProductVersionMS);
    EXPECT_EQ(0x00010001u, pFixed->dwProductVersionLS);

    WORD* pTranslation = NULL;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&pTranslation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0409, pTranslation[0]); // U.S. English
    EXPECT_EQ(0x04B0, pTranslation[1]); // Unicode

    struct Row
    {
        const char* name;
        const char* expected;
    };
    const Row rows[] = {
        {"FileVersion", "1, 0, 1, 1"},
        {"ProductVersion", "1, 0, 1, 1"},
        {"FileDescription", "Solmir"},
        {"InternalName", "Solmir"},
        {"OriginalFilename", "Solmir.scr"},
        {"CompanyName", "Quenwick Software"},
        {"ProductName", "Quenwick Software Solmir"},
    };
    for (const Row& row : rows)
    {
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
    ScrData scr;
    ASSERT_TRUE(scr.hModule != NULL);
    struct Row
    {
        const char* name;
        LPCSTR id;
    };
    const Row rows[] = {
        {"ID_APP", "ID_APP"},
        {"104", MAKEINTRESOURCEA(104)},
    };
    for (const Row& row : rows)
    {
        std::string group;
        ASSERT_TRUE(LoadResourceBytes(scr.hModule, row.id, MAKEINTRESOURCEA(14), &group))
            << row.name; // RT_GROUP_ICON
        ASSERT_GE(group.size(), 6u) << row.name;
        WORD header[3];
        memcpy(header, group.data(), sizeof(header));
        EXPECT_EQ(0, header[0]) << row.name;
        EXPECT_EQ(1, header[1]) << row.name; // icons, not cursors
        ASSERT_GT(header[2], 0) << row.name;
        ASSERT_EQ(6u + header[2] * 14u, group.size()) << row.name;
        for (WORD i = 0; i < header[2]; ++i)
        {
            const char* pEntry = group.data() + 6 + i * 14;
            DWORD bytes = 0;
            WORD imageId = 0;
            memcpy(&bytes, pEntry + 8, sizeof(bytes));
            memcpy(&imageId, pEntry + 12, sizeof(imageId));
            std::string image;
            EXPECT_TRUE(LoadResourceBytes(scr.hModule, MAKEINTRESOURCEA(imageId),
                                          MAKEINTRESOURCEA(3), &image)) // RT_ICON
                << row.name << " image " << imageId;
            EXPECT_EQ(bytes, image.size()) << row.name << " image " << imageId;
        }
    }
}

} // namespace
