// The registry store and the module parameters' load rules, against Wine's
// real registry. Each test empties the keys it uses first.
#include "engine/engine.h"
#include "settings/settings.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <string.h>

namespace
{

const char kScratch[] = "Software\\Quenwick\\SolmirStoreTest";
const DWORD kMissing = 0xDEADBEEF; // read back when a value is not stored

// The number of values of a key (kMissing when there is no key), and its class.
DWORD ValueCount(HKEY hive, const char* path, std::string* keyClass = nullptr)
{
    HKEY key = NULL;
    char text[64] = {};
    DWORD size = sizeof(text), values = kMissing;
    RegOpenKeyExA(hive, path, 0, KEY_READ, &key);
    RegQueryInfoKeyA(key, text, &size, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (keyClass != nullptr)
    {
        *keyClass = text;
    }
    return values;
}

TEST(ModuleParamsLoad, StoredValuesAreReadInRangeAndSavedBack)
{
    const int32_t kNone = INT32_MIN; // the value is not stored
    const ModuleParams* P = g_ModParams;
    const struct
    {
        const char* what;
        bool depthStored; // "mod1 depth" stored as 2100 first
        const char* name;
        int32_t stored;
        const float* field; // the loaded value it feeds, if a float (else `loaded` goes unread)
        float loaded;
        int32_t saved; // what the load's save leaves in `name`
    } rows[] = {
        {"no mod1 depth: no module value read", false, "mod2 vert", 500, &P[2].vert, -1.15f, -114},
        {"-9999 reads as missing", true, "mod1 horz", -9999, &P[1].horz, 0, 0},
        {"mod1 speed missing reads 67", true, "mod1 speed", kNone, &P[1].speed, 0.67f, 67},
        {"speed -9999 is no marker, clamps up", true, "mod3 speed", -9999, &P[3].speed, 0.0625f, 6},
        {"speed 5000 clamps down", true, "mod3 speed", 5000, &P[3].speed, 10.0f, 1000},
        {"active -1 disables", true, "mod2 active", -1, nullptr, 0, 0},
        {"active 7 enables", true, "mod2 active", 7, nullptr, 1, 1},
        {"cycle time -5 becomes 23", false, "cycle time", -5, nullptr, 23, 23},
    };
    RegSelectKey(NULL, g_szProductKey);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_CURRENT_USER, g_szProductKey);
        if (row.depthStored)
        {
            SetDword(HKEY_CURRENT_USER, g_szProductKey, "mod1 depth", 2100);
        }
        if (row.stored != kNone)
        {
            SetDword(HKEY_CURRENT_USER, g_szProductKey, row.name, (DWORD)row.stored);
        }
        LoadModuleParams();
        EXPECT_FLOAT_EQ(row.loaded, row.field ? *row.field : row.loaded);
        EXPECT_EQ((DWORD)row.saved,
                  ReadDword(HKEY_CURRENT_USER, g_szProductKey, row.name, kMissing));
        EXPECT_EQ(25u, ValueCount(HKEY_CURRENT_USER, g_szProductKey));
    }
}

TEST(RegistryStore, ReadsCreateNothingAndWritesRecordTheClass)
{
    HWND button = CreateWindowExA(0, "Button", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DeleteTree(HKEY_CURRENT_USER, kScratch);
    RegSelectKey(button, kScratch);
    EXPECT_EQ(9, RegReadValue("v", 9));
    char text[8] = {};
    RegReadUserString("s", text, sizeof(text), "none");
    EXPECT_EQ(kMissing, ValueCount(HKEY_CURRENT_USER, kScratch)) << "a read created the key";

    RegSelectKey(NULL, kScratch); // no window: the class of the last selection stays
    EXPECT_TRUE(RegWriteValue("v", 5));
    std::string keyClass;
    ValueCount(HKEY_CURRENT_USER, kScratch, &keyClass);
    EXPECT_STRCASEEQ("Button", keyClass.c_str());

    // More than four bytes is not a number of the store's.
    SetString(HKEY_CURRENT_USER, kScratch, "s", "1234");
    EXPECT_EQ(9, RegReadValue("s", 9));
    EXPECT_EQ(5, RegReadValue("v", 9));
    DeleteTree(HKEY_CURRENT_USER, kScratch);

    const char http[] = "HTTP\\shell\\open\\command";
    DeleteTree(HKEY_CLASSES_ROOT, http);
    RegSelectKey(NULL, http);
    RegReadClassesString("", text, sizeof(text), "dummy");
    EXPECT_STREQ("dummy", text);
    EXPECT_EQ(kMissing, ValueCount(HKEY_CLASSES_ROOT, http)) << "a read created the key";
    DestroyWindow(button);
}

// A path that does not fit would address another key: nothing is selected,
// and nothing is read or written anywhere, not in the key selected before.
TEST(RegistryStore, RefusedPathSelectsNothing)
{
    const std::string longest = "Software\\Quenwick\\" + std::string(sizeof(g_szRegPath) - 19, 'k');
    const std::pair<std::string, bool> rows[] = {
        {longest, true}, {longest + "k", false}, {"", false}}; // path, selected
    for (const auto& [path, selected] : rows)
    {
        DeleteTree(HKEY_CURRENT_USER, kScratch);
        RegSelectKey(NULL, kScratch);
        RegSelectKey(NULL, path.c_str());
        EXPECT_EQ(selected, RegWriteValue("w", 3)) << path.size();
        EXPECT_EQ(selected ? 3 : 9, RegReadValue("w", 9)) << path.size();
        EXPECT_EQ(kMissing, ValueCount(HKEY_CURRENT_USER, kScratch)) << path.size();
        EXPECT_EQ(9u, ReadDword(HKEY_CURRENT_USER, NULL, "w", 9)) << path.size();
    }
    DeleteTree(HKEY_CURRENT_USER, longest.c_str()); // never an empty path: that is the whole hive
}

// String reads into a buffer pre-filled with 0xCC beyond the size given: always
// terminated, never past the size, and the default rather than a cut-short text.
TEST(RegistryStore, StringReadsEndInsideTheBuffer)
{
    const struct
    {
        const char* what;
        DWORD type;       // 0: missing
        std::string data; // stored bytes as given, no terminator added
        DWORD size;       // buffer size passed to the store
        const char* defaultText;
        const char* expected;
    } rows[] = {
        {"missing value gives the default", 0, "", 32, "def", "def"},
        {"text that exactly fits", REG_SZ, std::string("1234567\0", 8), 8, "def", "1234567"},
        {"text one longer than the buffer", REG_SZ, std::string("12345678\0", 9), 8, "def", "def"},
        {"stored without terminator is ended", REG_SZ, "abc", 8, "def", "abc"},
        {"unterminated data filling the buffer", REG_BINARY, "abcdefgh", 8, "def", "def"},
        {"default longer than the buffer is cut", 0, "", 4, "default", "def"},
    };
    RegSelectKey(NULL, kScratch);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_LOCAL_MACHINE, kScratch);
        SetDword(HKEY_LOCAL_MACHINE, kScratch, "other", 0); // the key, with or without the value
        if (row.type != 0)
        {
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, kScratch, "install_dir", row.type, row.data.data(),
                            (DWORD)row.data.size());
        }
        char buffer[64];
        memset(buffer, 0xCC, sizeof(buffer));
        EXPECT_EQ(buffer, RegReadMachineString("install_dir", buffer, row.size, row.defaultText));
        ASSERT_NE(nullptr, memchr(buffer, 0, row.size)) << "not terminated";
        EXPECT_STREQ(row.expected, buffer);
        const size_t after = sizeof(buffer) - row.size;
        EXPECT_EQ(std::string(after, '\xCC'), std::string(buffer + row.size, after)) << "overrun";
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kScratch);
}

} // namespace
