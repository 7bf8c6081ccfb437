// Windows and a fixture for the GL tests of the render_gl program.
#pragma once

#include "box_capture.h"

#include <windows.h>
#include <gtest/gtest.h>

// The visible pop-up window every GL test of the program draws in, client
// area GL_TEST_WIDTH x GL_TEST_HEIGHT at the top-left of the screen. It lives
// until the program ends: without a window manager, Wine takes two seconds
// to hide or destroy a shown window.
const int GL_TEST_WIDTH = 320;
const int GL_TEST_HEIGHT = 240;
HWND SharedGLTestWindow();
// A pop-up window of the same class that is never shown.
HWND CreateHiddenTestWindow(int width, int height);

// The program's GL context on the shared window; any message box fails the test.
struct GLTest : testing::Test
{
    BoxCapture capture;
    void SetUp() override;
    void TearDown() override;
};
