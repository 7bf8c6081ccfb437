// PENDING: placeholders so the program links while the engine is written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "engine/engine.h"

ModuleParams g_ModParams[4];
ModuleParams g_DefModParams[4];
float g_fDepth = 40.0f, g_fHorz, g_fVert;
float g_fXrot = -90.0f, g_fYrot, g_fZrot;
float g_fSpeed = 0.5f;
int g_nModule = 1;
int g_nCycleTime;
DWORD g_dwCycleStart;
DWORD g_dwLastFrame;
int g_nFadeState;
float g_fFadeAngle;
int g_bControlMenuOpen;

void LoadModuleParams() {}
void SaveModuleParams() {}
void LoadViewFromModule(int) {}
void StoreViewToModule(int) {}
void LoadViewFromDefaults(int) {}
int CountActiveModules() { return 0; }
int NextActiveModule(int) { return 0; }
int PrevActiveModule(int) { return 0; }
void RenderFrame(HWND) {}
void ResetFade() {}
float FadeOutStep() { return 0.0f; }
float FadeInStep() { return 1.0f; }
void MarkPreviewButton(HWND, int) {}
int HandleViewKey(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ShowControlMenu(HWND) {}
INT_PTR CALLBACK ControlMenuProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
