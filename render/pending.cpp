// PENDING: placeholders so the program links while rendering is written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "render/render.h"

HWND g_hGLWnd;
HDC g_hDC;
HGLRC g_hRC;
GLUquadric* g_pQuadric;
TextureSlot g_Textures[2];
float g_fRingAngle;
float g_fCylinderAngle;
float g_fOrbitPhase[4];
float g_fOrbitSpin[4];
bool g_bOrbitInit = true;
float g_fRingListScale;
GLuint g_uRingList;

bool CreateGLContext(HWND, int) { return false; }
void KillGLContext() {}
void ResizeGLScene(int, int) {}
bool InitGL() { return false; }
int FindPixelFormat(HDC, int) { return 0; }
unsigned ScorePixelFormat(const PIXELFORMATDESCRIPTOR&, int) { return 0; }
bool LoadTexFromResource(int, int) { return false; }
bool DecodeTga(TextureSlot*, const uint8_t*, uint32_t) { return false; }
bool DrawModule1() { return false; }
bool DrawModule2() { return false; }
bool DrawModule3() { return false; }
bool DrawEmptyScene() { return false; }
void DrawRing(float) {}
