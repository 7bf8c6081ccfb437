// Message boxes read from their windows: those this thread shows, caught and
// closed so a test needs no user, and those of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CapturedBox
{
    std::string text;
    std::string caption;
    bool hasOwner;
    int buttons;   // visible push buttons
    bool okButton; // one of them is IDOK
    HICON icon;    // the icon shown, or null
};

// What the message box window `box` shows.
CapturedBox ReadBox(HWND box);

// From construction to destruction, every message box of this thread is
// recorded in boxes and closed with OK as soon as it is shown.
struct BoxCapture
{
    std::vector<CapturedBox> boxes;
    HHOOK hook = NULL;
    BoxCapture();
    ~BoxCapture();
};
