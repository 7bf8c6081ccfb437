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

const int kModuleCount = 3; // modules 1 to 3 have scenes; 0 means none is shown

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

extern ModuleParams g_ModParams[kModuleCount + 1]; // modules 1 to 3 (entry 0 is never shown)
extern float g_fDepth, g_fHorz, g_fVert;           // live view: translation
extern float g_fXrot, g_fYrot, g_fZrot;            // live view: rotations, degrees
extern float g_fSpeed;                             // live view: animation rate
extern int g_nModule;                              // module on show, 1 to 3; 0 = none
extern int g_nCycleTime;                           // seconds a module is shown before the next

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
const int32_t kMissingValue = -9999;

// Load rules and the stored form, apart from the registry calls that use them.
void BuildDefaultModuleParams(ModuleParams table[kModuleCount + 1]);
float FloatFromHundredths(int32_t stored); // n/100 that saves back as n
int32_t StoredFromParam(float value);      // never the -9999 marker: -99.99 is stored as -9998
int32_t TruncToInt32(float value);         // toward zero, saturating at the int32 range
float BoundSpeed(float speed);

// ---- Frame loop and fades (frame_loop.cpp, fade.cpp) ------------------------

extern int g_nFadeState; // 0 none, 2 fading out, 1 fading in

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

// Pacing and cycling arithmetic, apart from the clock calls.
DWORD PaceDelay(DWORD now, DWORD lastFrame);
bool CycleTimePassed(DWORD now, DWORD cycleStart, int cycleTime);

// ---- Keyboard view controls and Control Menu (keys.cpp, control_menu.cpp) ---

int HandleViewKey(HWND window, UINT message, WPARAM key, LPARAM lParam);
float ZoomStep(float depth);
float PanStep(float depth);
void ShowControlMenu(HWND owner);
