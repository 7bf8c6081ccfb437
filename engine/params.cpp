// Each module's view parameters: the built-in defaults, the live view the
// scenes draw with, the shown module and the cycle time, and their registry
// form (hundredths in signed 32-bit values).
#include "engine/engine.h"
#include "settings/settings.h"

#include <math.h>
#include <stdio.h>

ModuleParams g_ModParams[kModuleCount + 1];
float g_fDepth = 40.0f, g_fHorz, g_fVert;
float g_fXrot = -90.0f, g_fYrot, g_fZrot;
float g_fSpeed = 0.5f;
int g_nModule = 1;
int g_nCycleTime;

namespace
{

ModuleParams g_DefModParams[kModuleCount + 1]; // built-in defaults, filled by LoadModuleParams

const float kSpeedMin = 0.0625f;
const float kSpeedMax = 10.0f;
const int kDefaultCycleTime = 23; // seconds

// The seven view fields of a record by position, so the registry names and
// the copies walk them in one order.
float* ViewField(ModuleParams& params, int field)
{
    float* fields[7] = {&params.depth, &params.horz, &params.vert, &params.xrot,
                        &params.yrot,  &params.zrot, &params.speed};
    return fields[field];
}

const char* const kViewFieldNames[7] = {"mod%d depth", "mod%d horz", "mod%d vert", "mod%d xrot",
                                        "mod%d yrot",  "mod%d zrot", "mod%d speed"};
const int kSpeedField = 6;

} // namespace

void BuildDefaultModuleParams(ModuleParams table[kModuleCount + 1])
{
    for (int m = 0; m <= kModuleCount; ++m)
    {
        ModuleParams base = {};
        base.depth = 40.0f;
        base.speed = 0.5f;
        base.active = true;
        table[m] = base;
    }
    table[1].depth = 21.0f;
    table[1].yrot = 40.0f;
    table[1].speed = 0.675f;

    table[2].depth = 21.0f;
    table[2].vert = -1.15f;
    table[2].xrot = -12.0f;
    table[2].yrot = 190.0f;
    table[2].speed = 0.3f;

    table[3].depth = 139.0f;
    table[3].speed = 0.43f;
}

float FloatFromHundredths(int32_t stored)
{
    // The float nearest n/100 often lies just inside it (0.29 is 0.28999999),
    // and the truncating save would then write n-1: every start of the saver
    // would creep the stored view toward zero. The quotient is moved outward
    // by an ulp or two until the save gives back what was read.
    float value = static_cast<float>(static_cast<double>(stored) / 100.0);
    float outward = stored < 0 ? -INFINITY : INFINITY;
    float candidate = value;
    for (int step = 0; step < 3; ++step)
    {
        if (StoredFromParam(candidate) == stored)
        {
            return candidate;
        }
        candidate = nextafterf(candidate, outward);
    }
    return value;
}

float BoundSpeed(float speed)
{
    if (speed > kSpeedMax)
    {
        speed = kSpeedMax;
    }
    // Written so that a NaN also ends at the lower bound: speed is never 0.
    if (!(speed >= kSpeedMin))
    {
        speed = kSpeedMin;
    }
    return speed;
}

int32_t TruncToInt32(float value)
{
    // A float outside the int32 range has no defined conversion; the keys can
    // drive depth that far, so the stored form saturates instead.
    if (value != value)
    {
        return 0;
    }
    if (value >= 2147483648.0f)
    {
        return INT32_MAX;
    }
    if (value <= -2147483648.0f)
    {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

int32_t StoredFromParam(float value)
{
    // The product is taken in double precision and then truncated: the float
    // nearest -1.15 gives -114.9999976, stored as -114 (a float product would
    // round to -115 first).
    double hundredths = static_cast<double>(value) * 100.0;
    if (hundredths != hundredths)
    {
        return 0;
    }
    if (hundredths >= 2147483647.0)
    {
        return INT32_MAX;
    }
    if (hundredths <= -2147483648.0)
    {
        return INT32_MIN;
    }
    // The load reads -9999 as "missing" (and a missing "mod1 depth" as a
    // first run): a view steered to -99.99 is stored a hundredth nearer zero.
    int32_t stored = static_cast<int32_t>(hundredths);
    return stored == kMissingValue ? kMissingValue + 1 : stored;
}

namespace
{

float ParamFromStored(int32_t stored, float defaultValue)
{
    if (stored == kMissingValue)
    {
        return defaultValue;
    }
    return FloatFromHundredths(stored);
}

float SpeedFromStored(int32_t stored)
{
    return BoundSpeed(FloatFromHundredths(stored));
}

bool ActiveFromStored(int32_t stored, bool defaultValue)
{
    if (stored == kMissingValue)
    {
        return defaultValue;
    }
    return stored > 0;
}

int CycleTimeFromStored(int32_t stored)
{
    return stored < 0 ? kDefaultCycleTime : stored;
}

void FormatValueName(char* name, size_t size, const char* format, int module)
{
    snprintf(name, size, format, module);
}

} // namespace

void LoadModuleParams()
{
    BuildDefaultModuleParams(g_ModParams);
    for (int m = 0; m <= kModuleCount; ++m)
    {
        g_DefModParams[m] = g_ModParams[m];
    }

    // A missing "mod1 depth" marks a first run: every module keeps its
    // built-in view, and the save below writes them all out.
    if (RegReadValue("mod1 depth", kMissingValue) != kMissingValue)
    {
        for (int m = 1; m <= kModuleCount; ++m)
        {
            ModuleParams& params = g_ModParams[m];
            char name[32];
            for (int f = 0; f < kSpeedField; ++f)
            {
                FormatValueName(name, sizeof(name), kViewFieldNames[f], m);
                float* field = ViewField(params, f);
                *field = ParamFromStored(RegReadValue(name, kMissingValue), *field);
            }
            FormatValueName(name, sizeof(name), kViewFieldNames[kSpeedField], m);
            params.speed = SpeedFromStored(RegReadValue(name, StoredFromParam(params.speed)));

            FormatValueName(name, sizeof(name), "mod%d active", m);
            params.active = ActiveFromStored(RegReadValue(name, kMissingValue), params.active);
        }
    }

    g_nCycleTime = CycleTimeFromStored(RegReadValue("cycle time", kDefaultCycleTime));

    // Every value exists after the first load, in its normalised form.
    SaveModuleParams();

    g_nModule = NextActiveModule(0);
    LoadViewFromModule(g_nModule);
}

void SaveModuleParams()
{
    for (int m = 1; m <= kModuleCount; ++m)
    {
        ModuleParams& params = g_ModParams[m];
        char name[32];
        for (int f = 0; f <= kSpeedField; ++f)
        {
            FormatValueName(name, sizeof(name), kViewFieldNames[f], m);
            RegWriteValue(name, StoredFromParam(*ViewField(params, f)));
        }
        FormatValueName(name, sizeof(name), "mod%d active", m);
        RegWriteValue(name, params.active ? 1 : 0);
    }
    RegWriteValue("cycle time", g_nCycleTime);
}

namespace
{

bool IsModuleNumber(int module)
{
    return module >= 1 && module <= kModuleCount;
}

// The seven view fields of a record become the live view.
void LoadViewFromRecord(const ModuleParams& params)
{
    g_fDepth = params.depth;
    g_fHorz = params.horz;
    g_fVert = params.vert;
    g_fXrot = params.xrot;
    g_fYrot = params.yrot;
    g_fZrot = params.zrot;
    g_fSpeed = params.speed;
}

} // namespace

void LoadViewFromModule(int module)
{
    if (IsModuleNumber(module))
    {
        LoadViewFromRecord(g_ModParams[module]);
    }
}

void StoreViewToRecord(ModuleParams* params)
{
    params->depth = g_fDepth;
    params->horz = g_fHorz;
    params->vert = g_fVert;
    params->xrot = g_fXrot;
    params->yrot = g_fYrot;
    params->zrot = g_fZrot;
    params->speed = g_fSpeed;
}

void StoreViewToModule(int module)
{
    if (IsModuleNumber(module))
    {
        StoreViewToRecord(&g_ModParams[module]);
    }
}

void LoadViewFromDefaults(int module)
{
    if (IsModuleNumber(module))
    {
        LoadViewFromRecord(g_DefModParams[module]);
    }
}

int CountActiveModules()
{
    int count = 0;
    for (int m = 1; m <= kModuleCount; ++m)
    {
        if (g_ModParams[m].active)
        {
            ++count;
        }
    }
    return count;
}

namespace
{

// Four candidates in the direction of the step: the module after the shown
// one, the next, the shown one itself, and once more the first.
int FindActiveModule(int module, int step)
{
    int m = module;
    for (int tries = 0; tries <= kModuleCount; ++tries)
    {
        m += step;
        if (m > kModuleCount)
        {
            m = 1;
        }
        if (m < 1)
        {
            m = kModuleCount;
        }
        if (g_ModParams[m].active)
        {
            return m;
        }
    }
    return 0;
}

} // namespace

int NextActiveModule(int module)
{
    return FindActiveModule(module, 1);
}

int PrevActiveModule(int module)
{
    return FindActiveModule(module, -1);
}
