// Called by: the saver host and the settings dialog (frames, keys, loading and saving views).
// Calls: rendering's scenes, the registry store, the shell's clock, the Control Menu dialog.
//
// Animation engine: each module's view parameters and the live view, the
// frame loop with its pacing, module cycling and fades, and the keyboard view
// controls with the Control Menu. UI thread only.
#pragma once

#include <windows.h>
#include <stdint.h>

// ---- Module parameters and live view (params.cpp) ---------------------------

const int MODULE_COUNT = 3; // modules 1 to 3 have scenes; 0 means none is shown

struct ModuleParams
{
    float depth; // distance of the scene; larger is farther
    float horz;  // shift along x
    float vert;  // shift along y
    float xrot;  // degrees about x
    float yrot;  // degrees about y
    float zrot;  // degrees about z
    float speed; // animation rate, 0.0625 to 10.0
    bool active; // the module is enabled
};

extern ModuleParams g_ModParams[MODULE_COUNT + 1]; // modules 1 to 3 (entry 0 is never shown)
extern ModuleParams
    g_DefModParams[MODULE_COUNT + 1];    // built-in defaults, filled by LoadModuleParams
extern float g_fDepth, g_fHorz, g_fVert; // live view: translation
extern float g_fXrot, g_fYrot, g_fZrot;  // live view: rotations, degrees
extern float g_fSpeed;                   // live view: animation rate
extern int g_nModule;                    // module on show, 1 to 3; 0 = none
extern int g_nCycleTime;                 // seconds a module is shown before the next

void LoadModuleParams();
void SaveModuleParams();
void LoadViewFromModule(int module);
void StoreViewToModule(int module);
// The seven live-view values into a record; its `active` flag is left as it is.
void StoreViewToRecord(ModuleParams* params);
void LoadViewFromDefaults(int module);
int CountActiveModules();
int NextActiveModule(int module);
int PrevActiveModule(int module);

// The registry form: hundredths in signed 32-bit values, -9999 for "missing".
const int32_t MISSING_VALUE = -9999;
const float SPEED_MIN = 0.0625f;
const float SPEED_MAX = 10.0f;
const int DEFAULT_CYCLE_TIME = 23; // seconds

// Load rules and the stored form, apart from the registry calls that use them.
void BuildDefaultModuleParams(ModuleParams table[MODULE_COUNT + 1]);
float FloatFromHundredths(int32_t stored); // n/100 that saves back as n
float ParamFromStored(int32_t stored, float defaultValue);
float SpeedFromStored(int32_t stored);
bool ActiveFromStored(int32_t stored, bool defaultValue);
int CycleTimeFromStored(int32_t stored);
int32_t StoredFromParam(float value); // never the -9999 marker: -99.99 is stored as -9998
int32_t TruncToInt32(float value);    // toward zero, saturating at the int32 range
float BoundSpeed(float speed);

// ---- Frame loop and fades (frame_loop.cpp, fade.cpp) ------------------------

extern DWORD g_dwCycleStart; // tick when the shown module's interval began
extern int g_nFadeState;     // 0 none, 2 fading out, 1 fading in

const DWORD FRAME_PERIOD_MS = 30;
const float FADE_STEP = 0.026179917f; // bits 0x3CD67744: 1.5 degrees of fade phase per frame

void RenderFrame(HWND window);
// The one place the shown module changes: the live view goes back into the
// record of the module it belonged to, and the new module's view becomes live.
void ShowModule(int module);
void StartModuleCycle();         // the shown module's interval begins now
void ShiftModuleCycle(DWORD ms); // time that must not count toward the interval
// One frame of a module (0: none; a module switched off draws nothing) from
// the live view, in every viewport. False when the GL reports an error.
bool DrawModuleFrame(int module);
void ResetFade();
float FadeOutStep();
float FadeInStep();
void MarkPreviewButton(HWND dialog, int module);

// Pacing, cycling and fade arithmetic, apart from the GL and clock calls.
DWORD PaceDelay(DWORD now, DWORD lastFrame);
bool CycleTimePassed(DWORD now, DWORD cycleStart, int cycleTime);
float FadeOutLevel(float angle);
float FadeInLevel(float angle);

// ---- Keyboard view controls and Control Menu (keys.cpp, control_menu.cpp) ---

int HandleViewKey(HWND window, UINT message, WPARAM key, LPARAM lParam);
float ZoomStep(float depth);
float PanStep(float depth);
const size_t PARAM_DUMP_SIZE = 512; // characters of the F11 text, terminator included
void FormatParamDump(char* buffer, size_t size, const ModuleParams& view);
void ShowControlMenu(HWND owner);
INT_PTR CALLBACK ControlMenuProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
