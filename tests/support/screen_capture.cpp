#include "support/screen_capture.h"

ScreenShot CaptureScreen(const RECT* area)
{
    RECT whole = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT& r = area != nullptr ? *area : whole;
    ScreenShot shot;
    shot.width = r.right - r.left;
    shot.height = r.bottom - r.top;
    if (shot.width <= 0 || shot.height <= 0)
    {
        return ScreenShot();
    }
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (dib != NULL && bits != NULL)
    {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, shot.width, shot.height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const uint32_t* p = (const uint32_t*)bits;
        shot.pixels.assign(p, p + (size_t)shot.width * shot.height);
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

double LitShare(const ScreenShot& shot)
{
    if (shot.pixels.empty())
    {
        return 0.0;
    }
    size_t lit = 0;
    for (uint32_t p : shot.pixels)
    {
        if ((p & 0xFFFFFF) != 0)
        {
            ++lit;
        }
    }
    return (double)lit / shot.pixels.size();
}

double ChangedShare(const ScreenShot& a, const ScreenShot& b)
{
    if (a.pixels.empty() || a.pixels.size() != b.pixels.size())
    {
        return 0.0;
    }
    size_t changed = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
    {
        if ((a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF))
        {
            ++changed;
        }
    }
    return (double)changed / a.pixels.size();
}
