// The module parameters' load rules and their registry form, against Wine's
// real registry under the product key.
#include "registry_test_support.h"
#include "engine/engine.h"
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <float.h>
#include <math.h>
#include <string>
#include <vector>

namespace
{

struct Stored
{
    const char* name;
    int32_t value;
};

class ModuleParamsLoad : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        RegSelectKey(NULL, kProductPath);
    }
    void Store(const std::vector<Stored>& values)
    {
        for (const Stored& v : values)
        {
            ASSERT_TRUE(SetDwordValue(v.name, v.value)) << v.name;
        }
    }
};

TEST_F(ModuleParamsLoad, EmptyKeyWritesAllValuesWithTheDefaults)
{
    const Stored expected[] = {
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
    for (const Stored& v : expected)
    {
        int32_t value = 0;
        EXPECT_TRUE(GetDwordValue(v.name, &value)) << v.name;
        EXPECT_EQ(value, v.value) << v.name;
    }
    EXPECT_EQ(g_nModule, 1);
    EXPECT_EQ(g_nCycleTime, 23);
    EXPECT_FLOAT_EQ(g_fDepth, 21.0f);
    EXPECT_FLOAT_EQ(g_fYrot, 40.0f);
    EXPECT_FLOAT_EQ(g_fSpeed, 0.675f);
    EXPECT_EQ(CountActiveModules(), 3);
}

enum Field
{
    DEPTH,
    HORZ,
    VERT,
    XROT,
    YROT,
    ZROT,
    SPEED,
    ACTIVE,
    CYCLE
};

double LoadedField(int module, Field field)
{
    const ModuleParams& p = g_ModParams[module];
    switch (field)
    {
    case DEPTH:
        return p.depth;
    case HORZ:
        return p.horz;
    case VERT:
        return p.vert;
    case XROT:
        return p.xrot;
    case YROT:
        return p.yrot;
    case ZROT:
        return p.zrot;
    case SPEED:
        return p.speed;
    case ACTIVE:
        return p.active ? 1 : 0;
    case CYCLE:
        return g_nCycleTime;
    }
    return NAN;
}

TEST_F(ModuleParamsLoad, LoadRules)
{
    struct Row
    {
        const char* what;
        std::vector<Stored> stored;
        int module;
        Field field;
        float expected;        // compared as 32-bit floats
        const char* rewritten; // value name checked after the load's save, or NULL
        int32_t rewrittenValue;
    };
    const Row rows[] = {
        {"mod1 depth missing: no module value is read",
         {{"mod2 vert", 500}, {"mod3 speed", 900}},
         2,
         VERT,
         -1.15f,
         "mod2 vert",
         -114},
        {"mod1 depth missing: speed keeps its default",
         {{"mod3 speed", 900}},
         3,
         SPEED,
         0.43f,
         "mod3 speed",
         43},
        {"mod1 depth missing: active stays on",
         {{"mod2 active", 0}},
         2,
         ACTIVE,
         1,
         "mod2 active",
         1},
        {"mod1 depth missing: cycle time still read",
         {{"cycle time", 40}},
         0,
         CYCLE,
         40,
         "cycle time",
         40},
        {"stored depth in hundredths", {{"mod1 depth", 3050}}, 1, DEPTH, 30.5f, "mod1 depth", 3050},
        {"mod2 vert missing takes its default",
         {{"mod1 depth", 2100}},
         2,
         VERT,
         -1.15f,
         "mod2 vert",
         -114},
        {"stored -114 reads as -1.14",
         {{"mod1 depth", 2100}, {"mod2 vert", -114}},
         2,
         VERT,
         -1.14f,
         "mod2 vert",
         -114},
        {"sentinel -9999 in mod1 horz reads as missing",
         {{"mod1 depth", 2100}, {"mod1 horz", -9999}},
         1,
         HORZ,
         0,
         "mod1 horz",
         0},
        {"-9998 is a value",
         {{"mod1 depth", 2100}, {"mod1 horz", -9998}},
         1,
         HORZ,
         -99.98f,
         "mod1 horz",
         -9998},
        {"mod1 speed missing reads 67", {{"mod1 depth", 2100}}, 1, SPEED, 0.67f, "mod1 speed", 67},
        {"speed 0 clamps up",
         {{"mod1 depth", 2100}, {"mod3 speed", 0}},
         3,
         SPEED,
         0.0625f,
         "mod3 speed",
         6},
        {"speed 5 clamps up",
         {{"mod1 depth", 2100}, {"mod3 speed", 5}},
         3,
         SPEED,
         0.0625f,
         "mod3 speed",
         6},
        {"speed -9999 is no sentinel",
         {{"mod1 depth", 2100}, {"mod3 speed", -9999}},
         3,
         SPEED,
         0.0625f,
         "mod3 speed",
         6},
        {"speed 1000 is the top",
         {{"mod1 depth", 2100}, {"mod3 speed", 1000}},
         3,
         SPEED,
         10.0f,
         "mod3 speed",
         1000},
        {"speed 5000 clamps down",
         {{"mod1 depth", 2100}, {"mod3 speed", 5000}},
         3,
         SPEED,
         10.0f,
         "mod3 speed",
         1000},
        {"active -1 disables",
         {{"mod1 depth", 2100}, {"mod2 active", -1}},
         2,
         ACTIVE,
         0,
         "mod2 active",
         0},
        {"active 0 disables",
         {{"mod1 depth", 2100}, {"mod2 active", 0}},
         2,
         ACTIVE,
         0,
         "mod2 active",
         0},
        {"active 1 enables",
         {{"mod1 depth", 2100}, {"mod2 active", 1}},
         2,
         ACTIVE,
         1,
         "mod2 active",
         1},
        {"active 7 enables",
         {{"mod1 depth", 2100}, {"mod2 active", 7}},
         2,
         ACTIVE,
         1,
         "mod2 active",
         1},
        {"active missing enables", {{"mod1 depth", 2100}}, 2, ACTIVE, 1, "mod2 active", 1},
        {"cycle time -5 becomes 23", {{"cycle time", -5}}, 0, CYCLE, 23, "cycle time", 23},
        {"cycle time 0 stays 0", {{"cycle time", 0}}, 0, CYCLE, 0, "cycle time", 0},
        {"cycle time missing is 23", {}, 0, CYCLE, 23, "cycle time", 23},
        {"21.0 is saved as 2100", {}, 1, DEPTH, 21.0f, "mod1 depth", 2100},
        {"0.675 is saved as 67", {}, 1, SPEED, 0.675f, "mod1 speed", 67},
        {"-1.15 is saved as -114", {}, 2, VERT, -1.15f, "mod2 vert", -114},
        {"extreme depth survives",
         {{"mod1 depth", INT32_MAX}},
         1,
         DEPTH,
         21474836.47f,
         "mod1 depth",
         INT32_MAX},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetTestKey(HKEY_CURRENT_USER, kProductPath));
        Store(row.stored);
        LoadModuleParams();
        EXPECT_FLOAT_EQ((float)LoadedField(row.module, row.field), row.expected);
        if (row.rewritten != NULL)
        {
            int32_t value = 0;
            EXPECT_TRUE(GetDwordValue(row.rewritten, &value));
            EXPECT_EQ(value, row.rewrittenValue);
        }
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
        Store({{"mod1 depth", 2500},
               {"mod1 active", row.active1},
               {"mod2 active", row.active2},
               {"mod3 active", row.active3}});
        g_fDepth = -3.0f;
        LoadModuleParams();
        EXPECT_EQ(g_nModule, row.module);
        if (row.module == 0)
        {
            EXPECT_EQ(g_fDepth, -3.0f) << "the live view is kept when nothing is shown";
            EXPECT_EQ(CountActiveModules(), 0);
        }
        else
        {
            EXPECT_EQ(g_fDepth, g_ModParams[row.module].depth);
        }
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
    const Stored expected[] = {
        {"mod1 depth", 2100}, {"mod2 active", 0}, {"mod3 zrot", -1}, {"cycle time", 0}};
    for (const Stored& v : expected)
    {
        int32_t value = 0;
        EXPECT_TRUE(GetDwordValue(v.name, &value)) << v.name;
        EXPECT_EQ(value, v.value) << v.name;
    }
    StoreViewToModule(g_nModule);
    SaveModuleParams();
    int32_t depth = 0;
    EXPECT_TRUE(GetDwordValue("mod1 depth", &depth));
    EXPECT_EQ(depth, 9900);
}

TEST(ModuleParams, StoredForm)
{
    struct Row
    {
        float value;
        int32_t stored;
    };
    const Row rows[] = {
        {21.0f, 2100},       {0.675f, 67},          {-1.15f, -114},
        {0.3f, 30},          {0.43f, 43},           {-0.015f, -1},
        {0.0f, 0},           {139.0f, 13900},       {1e10f, INT32_MAX},
        {-1e10f, INT32_MIN}, {INFINITY, INT32_MAX}, {NAN, 0},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(StoredFromParam(row.value), row.stored) << row.value;
    }
}

TEST(ModuleParams, EveryStoredValueSavesBackUnchanged)
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
    const int32_t large[] = {INT32_MAX, INT32_MIN, 1677721600, -1677721600, 2000000001};
    for (int32_t n : large)
    {
        EXPECT_NEAR(FloatFromHundredths(n), n / 100.0, fabs(n / 100.0) * 1e-6) << n;
    }
    const int32_t speeds[] = {6, 7, 29, 67, 1000, 999};
    for (int32_t n : speeds)
    {
        EXPECT_EQ(StoredFromParam(SpeedFromStored(n)), n) << n;
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
    g_ModParams[2].depth = 55.0f;
    g_fDepth = 7.0f;
    g_fSpeed = 2.0f;
    for (int module : {0, 4, -1})
    {
        LoadViewFromModule(module);
        StoreViewToModule(module);
        LoadViewFromDefaults(module);
        EXPECT_EQ(g_fDepth, 7.0f);
        EXPECT_EQ(g_ModParams[0].depth, 40.0f);
    }
    LoadViewFromModule(2);
    EXPECT_EQ(g_fDepth, 55.0f);
    EXPECT_FLOAT_EQ(g_fVert, -1.15f);
    g_fDepth = 12.0f;
    StoreViewToModule(2);
    EXPECT_EQ(g_ModParams[2].depth, 12.0f);
    EXPECT_TRUE(g_ModParams[2].active);
    LoadViewFromDefaults(2);
    EXPECT_EQ(g_fDepth, 21.0f);
    EXPECT_EQ(g_ModParams[2].depth, 12.0f);
}

} // namespace
