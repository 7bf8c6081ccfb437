// A real window with the program's GL context for the rendering tests, frame
// read-back, and an independent model of where the scenes' geometry lands on
// screen: the same transforms built in double precision, the polygons
// projected, and every pixel classed as surely covered, surely not, or too
// close to an edge to judge.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <stdint.h>
#include <vector>

// The visible pop-up window every GL test of the program draws in, client
// area GL_TEST_WIDTH x GL_TEST_HEIGHT at the top-left of the screen. It lives
// until the program ends: without a window manager, Wine takes two seconds
// to hide or destroy a shown window.
const int GL_TEST_WIDTH = 320;
const int GL_TEST_HEIGHT = 240;
HWND SharedGLTestWindow();
// A pop-up window of the same class that is never shown.
HWND CreateHiddenTestWindow(int width, int height);

// The back buffer as RGBA bytes, bottom row first (glReadPixels order).
std::vector<uint8_t> ReadFrame(int width, int height);
// Replaces level 0 of a texture with one opaque (or not) colour.
void PaintTexture(GLuint name, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
bool IsLit(const std::vector<uint8_t>& frame, int width, int x, int y);
int CountLit(const std::vector<uint8_t>& frame);

// Column-major 4 x 4 matrices, as OpenGL keeps them.
struct Mat4
{
    double m[16];
};
Mat4 Identity();
Mat4 operator*(const Mat4& a, const Mat4& b);
Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar);
Mat4 Translate(double x, double y, double z);
Mat4 Rotate(double degrees, double x, double y, double z);
Mat4 Scale(double x, double y, double z);

struct Vec3
{
    double x, y, z;
};
// A planar convex polygon of four corners.
struct Quad3
{
    Vec3 corner[4];
};

// The band of the rings: radius 8, height 10, 32 flat sides, axis along y.
std::vector<Quad3> RingQuads();
// The quadric cylinder as drawn: radius 2, from z = 0 to z = 6, 32 sides.
std::vector<Quad3> CylinderQuads();
// quads placed by model.
void AddPlaced(std::vector<Quad3>* out, const std::vector<Quad3>& quads, const Mat4& model);

enum Coverage
{
    COVER_NONE = 0,
    COVER_FULL = 1,
    COVER_EDGE = 2 // within a pixel and a half of an edge: not judged
};
// Per pixel, bottom row first, for quads in eye space seen through projection.
std::vector<uint8_t> ModelCoverage(const std::vector<Quad3>& eyeQuads, const Mat4& projection,
                                   int width, int height);

// Pixels where the frame disagrees with the model (lit where none, dark
// where full); edges are skipped. *judged gets the number of pixels checked.
int CountCoverageMismatches(const std::vector<uint8_t>& frame, const std::vector<uint8_t>& coverage,
                            int width, int* judged);
