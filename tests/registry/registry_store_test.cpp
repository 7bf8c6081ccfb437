// The registry store against Wine's real registry: the key it creates, the
// numbers and texts it reads back, and the selections it refuses.
#include "registry_test_support.h"
#include "settings/settings.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{

const char kMachineTestPath[] = "Software\\Quenwick\\SolmirStoreTest";
const char kClassesTestPath[] = "SolmirStoreTest\\shell\\open\\command";

class RegistryStore : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(DeleteTestKey(HKEY_CURRENT_USER, kProductPath));
        // The key class comes from the window given; a system class will do.
        window_ = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
        ASSERT_NE(window_, (HWND)NULL);
        RegSelectKey(window_, kProductPath);
    }
    void TearDown() override
    {
        DestroyWindow(window_);
    }
    HWND window_ = NULL;
};

TEST_F(RegistryStore, KeyIsCreatedWithTheClassOfTheLastWindowGiven)
{
    EXPECT_EQ(RegReadValue("mod1 depth", -9999), -9999);
    EXPECT_EQ(TestKeyClass(HKEY_CURRENT_USER, kProductPath), "Static");
    EXPECT_EQ(TestValueCount(HKEY_CURRENT_USER, kProductPath), 0);

    // A null window keeps the class; another window replaces it.
    ASSERT_TRUE(DeleteTestKey(HKEY_CURRENT_USER, kProductPath));
    RegSelectKey(NULL, kProductPath);
    RegReadValue("x", 0);
    EXPECT_EQ(TestKeyClass(HKEY_CURRENT_USER, kProductPath), "Static");
    HWND other = CreateWindowExA(0, "Button", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    ASSERT_NE(other, (HWND)NULL);
    RegSelectKey(other, kProductPath);
    DestroyWindow(other);
    ASSERT_TRUE(DeleteTestKey(HKEY_CURRENT_USER, kProductPath));
    RegReadValue("x", 0);
    EXPECT_EQ(TestKeyClass(HKEY_CURRENT_USER, kProductPath), "Button");
}

TEST_F(RegistryStore, NumberReadsByStoredTypeAndSize)
{
    struct Row
    {
        const char* what;
        DWORD type; // 0: the value is not stored
        std::vector<BYTE> data;
        int32_t expected;
    };
    const Row rows[] = {
        {"missing value gives the default", 0, {}, 77},
        {"negative dword", REG_DWORD, {0x8E, 0xFF, 0xFF, 0xFF}, -114},
        {"the sentinel itself", REG_DWORD, {0xF1, 0xD8, 0xFF, 0xFF}, -9999},
        {"4-char string is longer than 4 bytes", REG_SZ, {'a', 'b', 'c', 'd', 0}, 77},
        {"8-byte binary", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}, 77},
        {"2-byte binary fills the low bytes", REG_BINARY, {0x34, 0x12}, 0x1234},
        {"4-byte binary reads as a number", REG_BINARY, {1, 0, 0, 0}, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        if (row.type != 0)
        {
            ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kProductPath, "v", row.type, row.data.data(),
                                    (DWORD)row.data.size()));
        }
        EXPECT_EQ(RegReadValue("v", 77), row.expected);
    }
}

TEST_F(RegistryStore, OverlongPathSelectsNothing)
{
    SetDword(HKEY_CURRENT_USER, kProductPath, "v", 5);
    struct Row
    {
        const char* what;
        std::string path;
        bool selected;
    };
    std::string longest(sizeof(g_szRegPath) - 1, 'k');
    const Row rows[] = {
        {"path that just fits", "Software\\Quenwick\\" + longest.substr(18), true},
        {"one character too long", "Software\\Quenwick\\" + longest.substr(17), false},
        {"far too long", std::string(1000, 'x'), false},
        {"empty path would address the hive itself", "", false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        RegSelectKey(NULL, kProductPath);
        RegSelectKey(window_, row.path.c_str());
        if (row.selected)
        {
            EXPECT_TRUE(RegWriteValue("w", 3));
            EXPECT_EQ(RegReadValue("w", 9), 3);
            DeleteTestKey(HKEY_CURRENT_USER, row.path.c_str());
            continue;
        }
        // Nothing is read or written anywhere: not in the key selected
        // before, not in the hive's root.
        EXPECT_EQ(RegReadValue("v", 9), 9);
        EXPECT_FALSE(RegWriteValue("w", 3));
        char text[16];
        memset(text, 0xCC, sizeof(text));
        RegReadMachineString("w", text, 8, "none");
        EXPECT_STREQ(text, "none");
        EXPECT_FALSE(RegWriteMachineString("w", "x"));
        EXPECT_EQ(TestValueCount(HKEY_CURRENT_USER, kProductPath), 1);
        EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, NULL, "w", 9), 9u);
    }
    RegSelectKey(NULL, NULL);
    EXPECT_EQ(RegReadValue("v", 9), 9);
}

// String reads into a buffer pre-filled with 0xCC, including the bytes after
// the size the caller gave.
struct StringRow
{
    const char* what;
    DWORD type;       // 0: missing
    std::string data; // stored bytes as given, no terminator added
    DWORD size;       // buffer size passed to the store
    const char* defaultText;
    const char* expected;
};

const StringRow kStringRows[] = {
    {"stored text", REG_SZ, std::string("C:\\Solmir\0", 10), 32, "def", "C:\\Solmir"},
    {"missing value gives the default", 0, "", 32, "def", "def"},
    {"text that exactly fits", REG_SZ, std::string("1234567\0", 8), 8, "def", "1234567"},
    {"text one longer than the buffer", REG_SZ, std::string("12345678\0", 9), 8, "def", "def"},
    {"stored without terminator is ended", REG_SZ, "abc", 8, "def", "abc"},
    {"unterminated data filling the buffer", REG_BINARY, "abcdefgh", 8, "def", "def"},
    {"empty data", REG_BINARY, "", 8, "def", ""},
    {"default longer than the buffer is cut", 0, "", 4, "default", "def"},
    {"no default text", 0, "", 8, NULL, ""},
};

void CheckStringReads(char* (*read)(const char*, char*, DWORD, const char*), HKEY hive,
                      const char* path, const char* name)
{
    for (const StringRow& row : kStringRows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetTestKey(hive, path));
        if (row.type != 0)
        {
            ASSERT_TRUE(
                SetRawValue(hive, path, name, row.type, row.data.data(), (DWORD)row.data.size()));
        }
        char buffer[64];
        memset(buffer, 0xCC, sizeof(buffer));
        EXPECT_EQ(read(name, buffer, row.size, row.defaultText), buffer);
        ASSERT_NE(memchr(buffer, 0, row.size), (void*)NULL) << "not terminated";
        EXPECT_STREQ(buffer, row.expected);
        for (size_t i = row.size; i < sizeof(buffer); ++i)
        {
            ASSERT_EQ((unsigned char)buffer[i], 0xCC) << "overrun at " << i;
        }
    }
}

TEST_F(RegistryStore, MachineAndClassesStringReads)
{
    RegSelectKey(window_, kMachineTestPath);
    CheckStringReads(RegReadMachineString, HKEY_LOCAL_MACHINE, kMachineTestPath, "install_dir");
    DeleteTestKey(HKEY_LOCAL_MACHINE, kMachineTestPath);
    // The classes store reads the default value of the selected key.
    RegSelectKey(NULL, kClassesTestPath);
    CheckStringReads(RegReadClassesString, HKEY_CLASSES_ROOT, kClassesTestPath, "");
    DeleteTestKey(HKEY_CLASSES_ROOT, "SolmirStoreTest");
}

TEST_F(RegistryStore, MachineStringWriteReadsBack)
{
    const char path[] = "C:\\Program Files\\Solmir\\uninstal.exe";
    ASSERT_TRUE(DeleteTestKey(HKEY_LOCAL_MACHINE, kMachineTestPath));
    RegSelectKey(window_, kMachineTestPath);
    EXPECT_TRUE(RegWriteMachineString("kill_saver", path));
    EXPECT_EQ(TestKeyClass(HKEY_LOCAL_MACHINE, kMachineTestPath), "Static");
    std::string stored;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kMachineTestPath, "kill_saver", &stored));
    EXPECT_EQ(stored, path);
    EXPECT_FALSE(RegWriteMachineString("kill_saver", NULL));
    DeleteTestKey(HKEY_LOCAL_MACHINE, kMachineTestPath);
}

TEST_F(RegistryStore, WritesSignedDwordsToTheProductKeyAfterAForeignSelection)
{
    RegSelectKey(NULL, kClassesTestPath);
    char text[16];
    RegReadClassesString("", text, sizeof(text), "");
    RegSelectKey(NULL, kProductPath);
    for (int32_t value : {-1, INT32_MIN, INT32_MAX})
    {
        SCOPED_TRACE(value);
        EXPECT_TRUE(RegWriteValue("cycle time", value));
        int32_t stored = 0;
        ASSERT_TRUE(GetDwordValue("cycle time", &stored));
        EXPECT_EQ(stored, value);
    }
    DeleteTestKey(HKEY_CLASSES_ROOT, "SolmirStoreTest");
}

} // namespace
