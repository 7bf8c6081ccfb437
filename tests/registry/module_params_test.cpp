// The module parameters' load rules and their registry form, against Wine's
// real registry under the product key.
#include "registry_test_support.h"
#include "engine/engine.h"
#include "settings/settings.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string>

namespace
{

class ModuleParamsLoad : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        RegSelectKey(NULL, kProductPath);
    }
    static void Store(const char* name, int32_t value)
    {
        SetDword(HKEY_CURRENT_USER, kProductPath, name, (DWORD)value);
    }
    static void ExpectStored(const char* name, int32_t expected)
    {
        int32_t value = 0;
        EXPECT_TRUE(GetDwordValue(name, &value)) << name;
        EXPECT_EQ(value, expected) << name;
    }
};

TEST_F(ModuleParamsLoad, EmptyKeyWritesAllValuesWithTheDefaults)
{
    const struct
    {
        const char* name;
        int32_t value;
    } expected[] = {
        {"mod1 depth", 2100},  {"mod1 horz", 0}, {"mod1 vert", 0},    {"mod1 xrot", 0},
        {"mod1 yrot", 4000},   {"mod1 zrot", 0}, {"mod1 speed", 67},  {"mod1 active", 1},
        {"mod2 depth", 2100},  {"mod2 horz", 0}, {"mod2 vert", -114}, {"mod2 xrot", -1200},
        {"mod2 yrot", 19000},  {"mod2 zrot", 0}, {"mod2 speed", 30},  {"mod2 active", 1},
        {"mod3 depth", 13900}, {"mod3 horz", 0}, {"mod3 vert", 0},    {"mod3 xrot", 0},
        {"mod3 yrot", 0},      {"mod3 zrot", 0}, {"mod3 speed", 43},  {"mod3 active", 1},
        {"cycle time", 23},
    };
    LoadModuleParams();
    EXPECT_EQ(TestValueCount(HKEY_CURRENT_USER, kProductPath), 25);
    for (const auto& v : expected)
    {
        ExpectStored(v.name, v.value);
    }
    EXPECT_EQ(g_nModule, 1);
    EXPECT_FLOAT_EQ(g_fDepth, 21.0f);
    EXPECT_FLOAT_EQ(g_fSpeed, 0.675f);
}

// The loaded value that the registry value `name` feeds.
float Loaded(const std::string& name)
{
    if (name == "cycle time")
    {
        return (float)g_nCycleTime;
    }
    const ModuleParams& p = g_ModParams[name[3] - '0'];
    const std::string f = name.substr(5);
    return f == "active"  ? (p.active ? 1.0f : 0.0f)
           : f == "depth" ? p.depth
           : f == "horz"  ? p.horz
           : f == "vert"  ? p.vert
                          : p.speed;
}

TEST_F(ModuleParamsLoad, LoadRules)
{
    const int32_t kNone = INT32_MIN; // the value is not stored
    struct Row
    {
        const char* what;
        bool depthStored; // "mod1 depth" stored as 2100 first
        const char* name;
        int32_t stored;
        float loaded;  // compared as 32-bit floats
        int32_t saved; // what the load's save leaves in `name`
    };
    const Row rows[] = {
        {"mod1 depth missing: no module value is read", false, "mod2 vert", 500, -1.15f, -114},
        {"mod1 depth missing: speed keeps its default", false, "mod3 speed", 900, 0.43f, 43},
        {"mod1 depth missing: active stays on", false, "mod2 active", 0, 1, 1},
        {"mod1 depth missing: cycle time still read", false, "cycle time", 40, 40, 40},
        {"stored depth in hundredths", false, "mod1 depth", 3050, 30.5f, 3050},
        {"extreme depth survives", false, "mod1 depth", INT32_MAX, 21474836.47f, INT32_MAX},
        {"mod2 vert missing takes its default", true, "mod2 vert", kNone, -1.15f, -114},
        {"stored -114 reads as -1.14", true, "mod2 vert", -114, -1.14f, -114},
        {"sentinel -9999 reads as missing", true, "mod1 horz", -9999, 0, 0},
        {"-9998 is a value", true, "mod1 horz", -9998, -99.98f, -9998},
        {"mod1 speed missing reads 67", true, "mod1 speed", kNone, 0.67f, 67},
        {"speed 5 clamps up", true, "mod3 speed", 5, 0.0625f, 6},
        {"speed -9999 is no sentinel", true, "mod3 speed", -9999, 0.0625f, 6},
        {"speed 1000 is the top", true, "mod3 speed", 1000, 10.0f, 1000},
        {"speed 5000 clamps down", true, "mod3 speed", 5000, 10.0f, 1000},
        {"active -1 disables", true, "mod2 active", -1, 0, 0},
        {"active 0 disables", true, "mod2 active", 0, 0, 0},
        {"active 7 enables", true, "mod2 active", 7, 1, 1},
        {"active missing enables", true, "mod2 active", kNone, 1, 1},
        {"cycle time -5 becomes 23", false, "cycle time", -5, 23, 23},
        {"cycle time 0 stays 0", false, "cycle time", 0, 0, 0},
        {"cycle time missing is 23", false, "cycle time", kNone, 23, 23},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        if (row.depthStored)
        {
            Store("mod1 depth", 2100);
        }
        if (row.stored != kNone)
        {
            Store(row.name, row.stored);
        }
        LoadModuleParams();
        EXPECT_FLOAT_EQ(Loaded(row.name), row.loaded);
        ExpectStored(row.name, row.saved);
        EXPECT_EQ(TestValueCount(HKEY_CURRENT_USER, kProductPath), 25);
    }
}

TEST_F(ModuleParamsLoad, ShownModuleIsTheFirstEnabledOne)
{
    struct Row
    {
        const char* what;
        int32_t active1, active2, active3;
        int module;
    };
    const Row rows[] = {
        {"all enabled", 1, 1, 1, 1},     {"only 2 enabled", 0, 1, 0, 2},
        {"2 and 3 enabled", 0, 1, 1, 2}, {"only 3 enabled", 0, 0, 1, 3},
        {"none enabled", 0, 0, 0, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        Store("mod1 depth", 2500);
        Store("mod1 active", row.active1);
        Store("mod2 active", row.active2);
        Store("mod3 active", row.active3);
        g_fDepth = -3.0f;
        LoadModuleParams();
        EXPECT_EQ(g_nModule, row.module);
        // With nothing to show the live view is kept.
        EXPECT_EQ(g_fDepth, row.module == 0 ? -3.0f : g_ModParams[row.module].depth);
    }
}

TEST_F(ModuleParamsLoad, SaveWritesTheRecordsNotTheLiveView)
{
    LoadModuleParams();
    g_fDepth = 99.0f;
    g_ModParams[2].active = false;
    g_ModParams[3].zrot = -0.015f;
    g_nCycleTime = 0;
    SaveModuleParams();
    ExpectStored("mod1 depth", 2100);
    ExpectStored("mod2 active", 0);
    ExpectStored("mod3 zrot", -1);
    ExpectStored("cycle time", 0);
    StoreViewToModule(g_nModule);
    SaveModuleParams();
    ExpectStored("mod1 depth", 9900);
}

TEST(ModuleParams, StoredFormSavesBackUnchangedAndSaturates)
{
    // Each load writes its values back: what was read must be what is written,
    // or the stored view would creep with every start.
    int failures = 0;
    for (int32_t n = -300000; n <= 300000 && failures < 5; ++n)
    {
        float value = FloatFromHundredths(n);
        if (StoredFromParam(value) != n)
        {
            ADD_FAILURE() << n << " saves back as " << StoredFromParam(value);
            ++failures;
        }
        EXPECT_NEAR(value, n / 100.0, fabs(n / 100.0) * 1e-6) << n;
    }
    for (int32_t n : {6, 7, 29, 67, 999, 1000})
    {
        EXPECT_EQ(StoredFromParam(SpeedFromStored(n)), n) << n;
    }
    const float values[] = {0.675f, -0.015f, 1e10f, -1e10f, INFINITY, NAN};
    const int32_t stored[] = {67, -1, INT32_MAX, INT32_MIN, INT32_MAX, 0};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(StoredFromParam(values[i]), stored[i]) << values[i];
    }
}

TEST(ModuleParams, NextAndPreviousEnabledModule)
{
    struct Row
    {
        bool a1, a2, a3;
        int from;
        int next, prev;
    };
    const Row rows[] = {
        {true, true, true, 0, 1, 3},    {true, true, true, 1, 2, 3},
        {true, true, true, 3, 1, 2},    {true, false, true, 3, 1, 1},
        {true, false, true, 1, 3, 3},   {false, true, false, 2, 2, 2},
        {false, true, false, 0, 2, 2},  {false, false, true, 1, 3, 3},
        {false, false, false, 0, 0, 0}, {false, false, false, 2, 0, 0},
        {true, false, false, 1, 1, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << row.a1 << row.a2 << row.a3 << " from " << row.from);
        g_ModParams[1].active = row.a1;
        g_ModParams[2].active = row.a2;
        g_ModParams[3].active = row.a3;
        EXPECT_EQ(NextActiveModule(row.from), row.next);
        EXPECT_EQ(PrevActiveModule(row.from), row.prev);
    }
}

TEST(ModuleParams, ViewCopiesIgnoreOtherModuleNumbers)
{
    BuildDefaultModuleParams(g_ModParams);
    BuildDefaultModuleParams(g_DefModParams);
    g_fDepth = 7.0f;
    for (int module : {0, 4, -1})
    {
        SCOPED_TRACE(module);
        LoadViewFromModule(module);
        StoreViewToModule(module);
        LoadViewFromDefaults(module);
        EXPECT_EQ(g_fDepth, 7.0f);
        EXPECT_EQ(g_ModParams[0].depth, 40.0f);
    }
    // Module 2 itself: the defaults replace the view, not the record.
    StoreViewToModule(2);
    LoadViewFromDefaults(2);
    EXPECT_EQ(g_fDepth, 21.0f);
    EXPECT_EQ(g_ModParams[2].depth, 7.0f);
}

} // namespace
