// The module parameters' load rules and the store's refused paths, against
// Wine's real registry under the product key.
#include "engine/engine.h"
#include "settings/settings.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <string>

static const char PRODUCT[] = "Software\\Quenwick\\Solmir";
static const DWORD MISSING = 0xDEADBEEF; // read back when a value is not stored

static DWORD ValueCount()
{
    HKEY key = NULL;
    DWORD values = MISSING;
    RegOpenKeyExA(HKEY_CURRENT_USER, PRODUCT, 0, KEY_READ, &key);
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return values;
}

TEST(ModuleParamsLoad, StoredValuesAreReadInRangeAndSavedBack)
{
    const int32_t kNone = INT32_MIN; // the value is not stored
    const struct
    {
        const char* what;
        bool depthStored; // "mod1 depth" stored as 2100 first
        const char* name;
        int32_t stored;
        const float* field; // the loaded value it feeds, if a float
        float loaded;
        int32_t saved; // what the load's save leaves in `name`
    } rows[] = {
        {"mod1 depth missing: no module value is read", false, "mod2 vert", 500,
         &g_ModParams[2].vert, -1.15f, -114},
        {"mod1 depth missing: cycle time still read", false, "cycle time", 40, nullptr, 40, 40},
        {"stored depth in hundredths", false, "mod1 depth", 3050, &g_ModParams[1].depth, 30.5f,
         3050},
        {"extreme depth survives", false, "mod1 depth", INT32_MAX, &g_ModParams[1].depth,
         21474836.47f, INT32_MAX},
        {"stored -114 reads as -1.14", true, "mod2 vert", -114, &g_ModParams[2].vert, -1.14f, -114},
        {"sentinel -9999 reads as missing", true, "mod1 horz", -9999, &g_ModParams[1].horz, 0, 0},
        {"-9998 is a value", true, "mod1 horz", -9998, &g_ModParams[1].horz, -99.98f, -9998},
        {"mod1 speed missing reads 67", true, "mod1 speed", kNone, &g_ModParams[1].speed, 0.67f,
         67},
        {"speed -9999 is no sentinel, clamps up", true, "mod3 speed", -9999, &g_ModParams[3].speed,
         0.0625f, 6},
        {"speed 1000 is the top", true, "mod3 speed", 1000, &g_ModParams[3].speed, 10.0f, 1000},
        {"speed 5000 clamps down", true, "mod3 speed", 5000, &g_ModParams[3].speed, 10.0f, 1000},
        {"active -1 disables", true, "mod2 active", -1, nullptr, 0, 0},
        {"active 7 enables", true, "mod2 active", 7, nullptr, 1, 1},
        {"cycle time -5 becomes 23", false, "cycle time", -5, nullptr, 23, 23},
        {"cycle time 0 stays 0", false, "cycle time", 0, nullptr, 0, 0},
    };
    RegSelectKey(NULL, PRODUCT);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_CURRENT_USER, PRODUCT); // each row stores a value, which makes it again
        if (row.depthStored)
        {
            SetDword(HKEY_CURRENT_USER, PRODUCT, "mod1 depth", 2100);
        }
        if (row.stored != kNone)
        {
            SetDword(HKEY_CURRENT_USER, PRODUCT, row.name, (DWORD)row.stored);
        }
        LoadModuleParams();
        if (row.field)
        {
            EXPECT_FLOAT_EQ(row.loaded, *row.field);
        }
        EXPECT_EQ((DWORD)row.saved, ReadDword(HKEY_CURRENT_USER, PRODUCT, row.name, MISSING));
        EXPECT_EQ(25u, ValueCount());
    }
}

TEST(ModuleParams, StoredFormSavesBackUnchangedAndSaturates)
{
    // Each load writes its values back: what was read must be what is written,
    // or the stored view would creep with every start.
    int failures = 0;
    for (int32_t n = -300000; n <= 300000 && failures < 5; ++n)
    {
        const float value = FloatFromHundredths(n);
        if (StoredFromParam(value) != n)
        {
            ADD_FAILURE() << n << " saves back as " << StoredFromParam(value);
            ++failures;
        }
        EXPECT_NEAR(value, n / 100.0, fabs(n / 100.0) * 1e-6) << n;
    }
    for (int32_t n : {6, 7, 29, 67, 999, 1000})
    {
        EXPECT_EQ(n, StoredFromParam(SpeedFromStored(n))) << n;
    }
    const float values[] = {0.675f, -0.015f, 1e10f, -1e10f, INFINITY, NAN};
    const int32_t stored[] = {67, -1, INT32_MAX, INT32_MIN, INT32_MAX, 0};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(stored[i], StoredFromParam(values[i])) << values[i];
    }
}

TEST(RegistryStore, RefusedPathSelectsNothing)
{
    const std::string longest = "Software\\Quenwick\\" + std::string(sizeof(g_szRegPath) - 19, 'k');
    const struct
    {
        const char* what;
        std::string path;
        bool selected;
    } rows[] = {
        {"path that just fits", longest, true},
        {"one character too long", longest + "k", false},
        {"empty path would address the hive itself", "", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_CURRENT_USER, PRODUCT);
        SetDword(HKEY_CURRENT_USER, PRODUCT, "v", 5);
        RegSelectKey(NULL, PRODUCT);
        RegSelectKey(NULL, row.path.c_str());
        if (row.selected)
        {
            EXPECT_TRUE(RegWriteValue("w", 3));
            EXPECT_EQ(3, RegReadValue("w", 9));
            DeleteTree(HKEY_CURRENT_USER, row.path.c_str());
            continue;
        }
        // Nothing is read or written anywhere: not in the key selected
        // before, not in the hive's root.
        EXPECT_EQ(9, RegReadValue("v", 9));
        EXPECT_FALSE(RegWriteValue("w", 3));
        char text[16];
        memset(text, 0xCC, sizeof(text));
        RegReadMachineString("w", text, 8, "none");
        EXPECT_STREQ("none", text);
        EXPECT_FALSE(RegWriteMachineString("w", "x"));
        EXPECT_EQ(1u, ValueCount());
        EXPECT_EQ(9u, ReadDword(HKEY_CURRENT_USER, NULL, "w", 9));
    }
}

// Machine-string reads into a buffer pre-filled with 0xCC beyond the size given: always
// terminated, never past the size, and the default rather than a cut-short text.
TEST(RegistryStore, MachineStringReadsEndInsideTheBuffer)
{
    const char path[] = "Software\\Quenwick\\SolmirStoreTest";
    const struct
    {
        const char* what;
        DWORD type;       // 0: missing
        std::string data; // stored bytes as given, no terminator added
        DWORD size;       // buffer size passed to the store
        const char* defaultText;
        const char* expected;
    } rows[] = {
        {"stored text", REG_SZ, std::string("C:\\Solmir\0", 10), 32, "def", "C:\\Solmir"},
        {"missing value gives the default", 0, "", 32, "def", "def"},
        {"text that exactly fits", REG_SZ, std::string("1234567\0", 8), 8, "def", "1234567"},
        {"text one longer than the buffer", REG_SZ, std::string("12345678\0", 9), 8, "def", "def"},
        {"stored without terminator is ended", REG_SZ, "abc", 8, "def", "abc"},
        {"unterminated data filling the buffer", REG_BINARY, "abcdefgh", 8, "def", "def"},
        {"default longer than the buffer is cut", 0, "", 4, "default", "def"},
    };
    RegSelectKey(NULL, path);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_LOCAL_MACHINE, path);
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0,
                                                 KEY_SET_VALUE, NULL, &key, NULL));
        if (row.type != 0)
        {
            RegSetValueExA(key, "install_dir", 0, row.type,
                           reinterpret_cast<const BYTE*>(row.data.data()), (DWORD)row.data.size());
        }
        RegCloseKey(key);
        char buffer[64];
        memset(buffer, 0xCC, sizeof(buffer));
        EXPECT_EQ(buffer, RegReadMachineString("install_dir", buffer, row.size, row.defaultText));
        ASSERT_NE(nullptr, memchr(buffer, 0, row.size)) << "not terminated";
        EXPECT_STREQ(row.expected, buffer);
        for (size_t i = row.size; i < sizeof(buffer); ++i)
        {
            ASSERT_EQ(0xCC, (unsigned char)buffer[i]) << "overrun at " << i;
        }
    }
    DeleteTree(HKEY_LOCAL_MACHINE, path);
}
