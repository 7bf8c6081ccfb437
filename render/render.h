// Called by: the host and the settings dialog (GL context, viewports), the frame loop (scenes).
// Calls: OpenGL, GLU and WGL, loaded by the shell; the scenes draw the view they are given.
//
// Rendering: the OpenGL context with its pixel-format choice, projection and
// fixed GL state; TGA textures from the program's resources; the scenes of the
// animation modules. Runs on the UI thread with the context current.
#pragma once

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <stdint.h>

// ---- GL context (gl_context.cpp, pixel_format.cpp) --------------------------

extern HDC g_hDC;              // device context of g_hGLWnd, or null
extern GLUquadric* g_pQuadric; // smooth-normal, textured quadric for the cylinder; never deleted

bool CreateGLContext(HWND hwnd, int colorBits);
void KillGLContext();
int FindPixelFormat(HDC hdc, int colorBits);
unsigned ScorePixelFormat(const PIXELFORMATDESCRIPTOR& pfd, int colorBits);

// One pixel format, as far as the choice needs it.
struct PixelFormatChoice
{
    int index;          // the format's number, from 1
    unsigned score;     // ScorePixelFormat; 0 = unusable
    unsigned extraBits; // stencil, accumulation and auxiliary bits each pixel pays for
    int samples;        // multisamples per pixel as the driver tells; 0 none, -1 not known
};
// The best-scoring format; among equals the cheapest: not multisampled, then
// the fewest extra bits, then the lowest number. 0 when none scores above 0.
int PickPixelFormat(const PixelFormatChoice* formats, int count);

// ---- Viewports (gl_context.cpp) ---------------------------------------------
// Where each frame draws the scene: the whole window, or one part of it per
// monitor when the window spans several. Each gets its own projection, so the
// scene keeps its shape on a monitor of any aspect.

// A part of the window, in GL window coordinates (from the bottom left).
struct SceneViewport
{
    int x;
    int y;
    int width;
    int height;
};

const int kMaxViewports = 16;
extern SceneViewport g_Viewports[kMaxViewports]; // where the scene is drawn, primary monitor first
extern int g_nViewports;                         // how many of g_Viewports are in use

// The scene fills the whole window of this size.
void ResizeGLScene(int width, int height);
// Viewport and perspective projection for one part of the window.
void ApplyViewport(const SceneViewport& viewport);

// ---- Textures (textures.cpp; the decoder itself is in tga.h) ----------------

struct TextureSlot
{
    uint8_t* pixels;       // decoded R,G,B(,A) rows; owned until released after upload
    uint32_t bitsPerPixel; // 24 or 32
    uint32_t width;        // pixels per row
    uint32_t height;       // rows
    GLuint glName;         // texture object name
    GLenum glFormat;       // GL_RGB or GL_RGBA
};

// The texture table's slots; the cylinder's is bound whenever a scene starts.
enum TextureSlotId
{
    TEX_CYLINDER, // resource 107, the cylinder band (module 2)
    TEX_RING,     // resource 101, the ring band (modules 1 and 3)
    TEXTURE_SLOTS
};

extern TextureSlot g_Textures[TEXTURE_SLOTS]; // filled by InitGL

bool LoadTexFromResource(int id, int slot);

// ---- Module scenes (scenes.cpp, ring.cpp) -----------------------------------

extern float g_fRingAngle;               // module 1 spin accumulator (the ring turns a third of it)
extern float g_fCylinderAngle;           // module 2 spin accumulator
const int kOrbitRings = 4;               // module 3's rings
extern float g_fOrbitPhase[kOrbitRings]; // module 3: each ring's place on its circle, radians
extern float g_fRingListScale;           // scale the ring display list was compiled for; 0 = none
extern GLuint g_uRingList;               // the ring display list; 0 = none

void ResetSceneState(); // every scene's animation back to its start

// One frame's step of the animation state, each kept within one period of
// what it drives: the ring's and the cylinder's spin (the scene shows a third
// of it), module 3's spin of a ring growing `growth` times as fast, and its
// place on the circle.
float StepSpinAngle(float angle, float speed);
float StepOrbitSpin(float spin, float speed, float growth);
float StepOrbitPhase(float phase, float speed);

// Where the scene stands: its distance and shift, then its turns about x, y
// and z, in degrees.
struct SceneView
{
    float depth;
    float horz;
    float vert;
    float xrot;
    float yrot;
    float zrot;
};

// One frame of `module` (1 to 3; 0 for none) drawn from `view` into every
// viewport over a cleared window; its animation then steps once at `speed`.
// False when the GL reports an error.
bool DrawSceneFrame(int module, const SceneView& view, float speed);
void DrawRing(float scale);
