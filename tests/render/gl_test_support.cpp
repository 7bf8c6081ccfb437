#include "gl_test_support.h"

#include <math.h>
#include <stdio.h>

static const double PI = 3.14159265358979323846;

static LRESULT CALLBACK GLTestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static HWND CreateTestWindow(int width, int height, DWORD style)
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = GLTestWindowProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "SolmirRenderTest";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND hwnd = CreateWindowExA(0, "SolmirRenderTest", "render test", WS_POPUP | style, 0, 0, width,
                                height, NULL, NULL, GetModuleHandleA(NULL), NULL);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
    {
        DispatchMessageA(&msg);
    }
    return hwnd;
}

HWND SharedGLTestWindow()
{
    static HWND shared = CreateTestWindow(GL_TEST_WIDTH, GL_TEST_HEIGHT, WS_VISIBLE);
    return shared;
}

HWND CreateHiddenTestWindow(int width, int height)
{
    return CreateTestWindow(width, height, 0);
}

std::vector<uint8_t> ReadFrame(int width, int height)
{
    std::vector<uint8_t> frame((size_t)width * height * 4, 0xAB);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

void PaintTexture(GLuint name, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    const uint8_t texels[4 * 4] = {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a};
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

bool IsLit(const std::vector<uint8_t>& frame, int width, int x, int y)
{
    const uint8_t* p = &frame[((size_t)y * width + x) * 4];
    return p[0] > 24 || p[1] > 24 || p[2] > 24;
}

int CountLit(const std::vector<uint8_t>& frame)
{
    int lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
    {
        lit += (frame[i] > 24 || frame[i + 1] > 24 || frame[i + 2] > 24) ? 1 : 0;
    }
    return lit;
}

Mat4 Identity()
{
    Mat4 r = {};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 r = {};
    for (int col = 0; col < 4; ++col)
    {
        for (int row = 0; row < 4; ++row)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
            {
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            }
            r.m[col * 4 + row] = sum;
        }
    }
    return r;
}

Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double f = 1.0 / tan(fovyDegrees * PI / 360.0);
    Mat4 r = {};
    r.m[0] = f / aspect;
    r.m[5] = f;
    r.m[10] = (zFar + zNear) / (zNear - zFar);
    r.m[11] = -1.0;
    r.m[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return r;
}

Mat4 Translate(double x, double y, double z)
{
    Mat4 r = Identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Mat4 Rotate(double degrees, double x, double y, double z)
{
    const double len = sqrt(x * x + y * y + z * z);
    x /= len;
    y /= len;
    z /= len;
    const double c = cos(degrees * PI / 180.0), s = sin(degrees * PI / 180.0), t = 1.0 - c;
    Mat4 r = Identity();
    r.m[0] = x * x * t + c;
    r.m[1] = y * x * t + z * s;
    r.m[2] = x * z * t - y * s;
    r.m[4] = x * y * t - z * s;
    r.m[5] = y * y * t + c;
    r.m[6] = y * z * t + x * s;
    r.m[8] = x * z * t + y * s;
    r.m[9] = y * z * t - x * s;
    r.m[10] = z * z * t + c;
    return r;
}

Mat4 Scale(double x, double y, double z)
{
    Mat4 r = Identity();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

static Vec3 Transform(const Mat4& a, const Vec3& v)
{
    Vec3 r;
    r.x = a.m[0] * v.x + a.m[4] * v.y + a.m[8] * v.z + a.m[12];
    r.y = a.m[1] * v.x + a.m[5] * v.y + a.m[9] * v.z + a.m[13];
    r.z = a.m[2] * v.x + a.m[6] * v.y + a.m[10] * v.z + a.m[14];
    return r;
}

std::vector<Quad3> RingQuads()
{
    std::vector<Quad3> quads;
    for (int j = 0; j < 32; ++j)
    {
        const double a0 = 2.0 * PI * j / 32.0, a1 = 2.0 * PI * (j + 1) / 32.0;
        Quad3 q;
        q.corner[0] = {8.0 * cos(a0), -5.0, -8.0 * sin(a0)};
        q.corner[1] = {8.0 * cos(a1), -5.0, -8.0 * sin(a1)};
        q.corner[2] = {8.0 * cos(a1), 5.0, -8.0 * sin(a1)};
        q.corner[3] = {8.0 * cos(a0), 5.0, -8.0 * sin(a0)};
        quads.push_back(q);
    }
    return quads;
}

std::vector<Quad3> CylinderQuads()
{
    std::vector<Quad3> quads;
    for (int j = 0; j < 32; ++j)
    {
        const double a0 = 2.0 * PI * j / 32.0, a1 = 2.0 * PI * (j + 1) / 32.0;
        Quad3 q;
        q.corner[0] = {2.0 * sin(a0), 2.0 * cos(a0), 0.0};
        q.corner[1] = {2.0 * sin(a1), 2.0 * cos(a1), 0.0};
        q.corner[2] = {2.0 * sin(a1), 2.0 * cos(a1), 6.0};
        q.corner[3] = {2.0 * sin(a0), 2.0 * cos(a0), 6.0};
        quads.push_back(q);
    }
    return quads;
}

void AddPlaced(std::vector<Quad3>* out, const std::vector<Quad3>& quads, const Mat4& model)
{
    for (const Quad3& q : quads)
    {
        Quad3 placed;
        for (int i = 0; i < 4; ++i)
        {
            placed.corner[i] = Transform(model, q.corner[i]);
        }
        out->push_back(placed);
    }
}

struct ScreenQuad
{
    double x[4], y[4];
    double minX, maxX, minY, maxY;
    bool usable;
};

static ScreenQuad ProjectQuad(const Quad3& q, const Mat4& projection, int width, int height)
{
    ScreenQuad s = {};
    s.usable = true;
    s.minX = s.minY = 1e30;
    s.maxX = s.maxY = -1e30;
    for (int i = 0; i < 4; ++i)
    {
        const Vec3& v = q.corner[i];
        const double cx = projection.m[0] * v.x + projection.m[4] * v.y + projection.m[8] * v.z +
                          projection.m[12];
        const double cy = projection.m[1] * v.x + projection.m[5] * v.y + projection.m[9] * v.z +
                          projection.m[13];
        const double cw = projection.m[3] * v.x + projection.m[7] * v.y + projection.m[11] * v.z +
                          projection.m[15];
        if (cw <= 0.0)
        {
            s.usable = false; // behind the eye: the scenes never put geometry there
            return s;
        }
        s.x[i] = (cx / cw + 1.0) * 0.5 * width;
        s.y[i] = (cy / cw + 1.0) * 0.5 * height;
        s.minX = fmin(s.minX, s.x[i]);
        s.maxX = fmax(s.maxX, s.x[i]);
        s.minY = fmin(s.minY, s.y[i]);
        s.maxY = fmax(s.maxY, s.y[i]);
    }
    return s;
}

static bool InsideQuad(const ScreenQuad& s, double px, double py)
{
    if (px < s.minX || px > s.maxX || py < s.minY || py > s.maxY)
    {
        return false;
    }
    int positive = 0, negative = 0;
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        const double cross = (s.x[j] - s.x[i]) * (py - s.y[i]) - (s.y[j] - s.y[i]) * (px - s.x[i]);
        positive += cross > 0.0 ? 1 : 0;
        negative += cross < 0.0 ? 1 : 0;
    }
    return positive == 0 || negative == 0;
}

// Distance from a point to the segment a-b.
static double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    const double ex = ax + t * dx - px, ey = ay + t * dy - py;
    return sqrt(ex * ex + ey * ey);
}

static bool NearQuadEdge(const ScreenQuad& s, double px, double py, double margin)
{
    if (px < s.minX - margin || px > s.maxX + margin || py < s.minY - margin ||
        py > s.maxY + margin)
    {
        return false;
    }
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        if (SegmentDistance(px, py, s.x[i], s.y[i], s.x[j], s.y[j]) < margin)
        {
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> ModelCoverage(const std::vector<Quad3>& eyeQuads, const Mat4& projection,
                                   int width, int height)
{
    std::vector<ScreenQuad> screen;
    for (const Quad3& q : eyeQuads)
    {
        ScreenQuad s = ProjectQuad(q, projection, width, height);
        if (s.usable)
        {
            screen.push_back(s);
        }
    }
    // GL lights a pixel when its centre is inside; a pixel whose centre lies
    // within a pixel and a half of any edge is left unjudged, which also
    // covers thin slivers and sharp tips.
    const double margin = 1.5;
    std::vector<uint8_t> coverage((size_t)width * height, COVER_NONE);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const double px = x + 0.5, py = y + 0.5;
            uint8_t c = COVER_NONE;
            for (const ScreenQuad& s : screen)
            {
                if (NearQuadEdge(s, px, py, margin))
                {
                    c = COVER_EDGE;
                    break;
                }
                if (InsideQuad(s, px, py))
                {
                    c = COVER_FULL;
                }
            }
            coverage[(size_t)y * width + x] = c;
        }
    }
    return coverage;
}

int CountCoverageMismatches(const std::vector<uint8_t>& frame, const std::vector<uint8_t>& coverage,
                            int width, int* judged)
{
    int mismatches = 0;
    *judged = 0;
    const int height = (int)(coverage.size() / width);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint8_t c = coverage[(size_t)y * width + x];
            if (c == COVER_EDGE)
            {
                continue;
            }
            ++*judged;
            if (IsLit(frame, width, x, y) != (c == COVER_FULL))
            {
                if (++mismatches <= 5)
                {
                    const uint8_t* p = &frame[((size_t)y * width + x) * 4];
                    printf("  pixel %d,%d: model says %s, frame has %d,%d,%d\n", x, y,
                           c == COVER_FULL ? "covered" : "empty", p[0], p[1], p[2]);
                }
            }
        }
    }
    return mismatches;
}
