// Catches the message boxes this thread shows, reads them and closes them,
// so that a test can check every box's text, caption, icon and buttons
// without a modal loop waiting for a user.
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

// From construction to destruction, every message box of this thread is
// recorded in boxes and closed with OK as soon as it is shown.
struct BoxCapture
{
    std::vector<CapturedBox> boxes;
    HHOOK hook = NULL;
    BoxCapture();
    ~BoxCapture();
};

// The icon a message box shows for MB_ICONEXCLAMATION, MB_ICONINFORMATION.
HICON SystemIcon(LPCSTR id);
