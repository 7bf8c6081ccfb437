// Captures of what is really on the screen, for the tests that check what the
// user sees rather than what a program drew.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <vector>

// A part of the screen as 32-bit BGRX rows, top row first.
struct ScreenShot
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The given screen rectangle; the whole screen when none is given.
ScreenShot CaptureScreen(const RECT* area = nullptr);
// Share of pixels that are not black.
double LitShare(const ScreenShot& shot);
// Share of pixels that differ between two captures of one size.
double ChangedShare(const ScreenShot& a, const ScreenShot& b);
