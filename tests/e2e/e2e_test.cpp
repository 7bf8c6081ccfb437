// Solmir.scr as the user meets it: started with a command line, driven with
// real keys and the mouse, checked by its exit code, the registry, its
// windows and the screen. Each row is one case (see driver.h).
#include "driver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace
{

void RunCases(std::initializer_list<Case> cases)
{
    for (const Case& c : cases)
    {
        RunCase(c);
    }
}

// The view keys act alike in the full-screen saver and in the settings preview: each row is
// played in both, ended in each as the user leaves it.
TEST(ViewKeys, StepTheViewInTheSaverAndInTheSettingsPreview)
{
    const Case rows[] = {
        {"near: zoom out, up and right by the fine steps, keypad twins too", "", "/s",
         "PGUP; N9; UP; N8; RIGHT; N6", 0, "mod1 depth=2159; mod1 vert=20; mod1 horz=20"},
        {"near: zoom in, down and left", "", "/s", "PGDN; N3; DOWN; N2; LEFT; N4", 0,
         "mod1 depth=2040; mod1 vert=-20; mod1 horz=-20"},
        {"F3, F5 and F6 turn by 1.5 degrees, F9 speeds up", "", "/s", "F3; F5; F6; F9", 0,
         "mod1 xrot=150; mod1 yrot=4150; mod1 zrot=150; mod1 speed=80"},
        {"F2, F4 and F7 turn back, F8 slows down", "", "/s", "F2; F4; F7; F8", 0,
         "mod1 xrot=-150; mod1 yrot=3850; mod1 zrot=-150; mod1 speed=55"},
        {"the slowest speed is 0.0625", "mod1 depth=2100; mod1 speed=6", "/s", "F8; F9", 0,
         "mod1 speed=18"},
        {"the fastest speed is 10", "mod1 depth=2100; mod1 speed=990", "/s", "F9; F9; F8", 0,
         "mod1 speed=987"},
        {"Home brings back the built-in view, speed too",
         "mod1 depth=3000; mod1 horz=500; mod1 speed=500", "/s", "F3; HOME", 0,
         "mod1 depth=2100; mod1 horz=0; mod1 xrot=0; mod1 speed=67"},
        {"Enter with modules I and III on shows III, which then takes the keys",
         "mod1 depth=2100; mod2 active=0", "/s", "ENTER; PGDN", 0,
         "mod1 depth=2100; mod3 depth=13700"},
        {"Backspace from I goes round to III", "", "/s", "BACK; PGDN", 0,
         "mod1 depth=2100; mod3 depth=13700"},
        {"Enter and Backspace keep the view steered in the module left", "", "/s",
         "PGDN; ENTER; BACK", 0, "mod1 depth=2070; mod2 depth=2100"},
        {"Backspace with one module on keeps it", "mod1 depth=2100; mod2 active=0; mod3 active=0",
         "/s", "BACK; PGDN", 0, "mod1 depth=2070"},
    };
    for (const Case& row : rows)
    {
        RunCase({("saver: " + std::string(row.what)).c_str(), row.given, row.command,
                 (row.does + std::string("; move:-150,0")).c_str(), row.exitCode, row.sees});
        RunCase({("settings: " + std::string(row.what)).c_str(), row.given, "",
                 (row.does + std::string("; click:IDOK")).c_str(), 1, row.sees});
    }
}

TEST(ViewKeys, QuitTheSaverButNotTheSettingsDialog)
{
    RunCases({
        {"a key outside the table quits the saver", "", "/s", "A; PGDN", 0, "mod1 depth=2100"},
        {"so does Shift", "", "/s", "SHIFT; PGDN", 0, "mod1 depth=2100"},
        {"Esc quits the saver", "", "/s", "ESC; PGDN", 0, "mod1 depth=2100"},
        {"Alt quits the saver", "", "/s", "ALT; PGDN", 0, "mod1 depth=2100"},
        {"F10 quits the saver", "", "/s", "F10; PGDN", 0, "mod1 depth=2100"},
        {"Enter with one module on quits the saver",
         "mod1 depth=2100; mod2 active=0; mod3 active=0", "/s", "ENTER; PGDN", 0,
         "mod1 depth=2100"},
        {"Enter and Backspace with no module on change nothing and do not quit",
         "mod1 depth=2100; mod1 active=0; mod2 active=0; mod3 active=0", "/s",
         "ENTER; BACK; F1; box:Control Menu; ESC; gone; move:-150,0", 0,
         "mod1 depth=2100; mod1 active=0"},
        {"a key outside the table does nothing in the settings preview", "", "",
         "A; PGDN; click:IDOK", 1, "mod1 depth=2070"},
        {"Enter in the settings preview does not quit with one module on",
         "mod1 depth=2100; mod2 active=0; mod3 active=0", "", "ENTER; PGDN; click:IDOK", 1,
         "mod1 depth=2070"},
        {"Enter in the settings preview shows the next module and marks its button",
         "mod1 depth=2100; mod2 active=0", "",
         "ENTER; checked:IDC_PREVIEW_MODULE3; ENTER; checked:IDC_PREVIEW_MODULE1; click:IDCANCEL",
         1, ""},
        {"Esc closes the settings dialog and stores nothing but what it read", "", "", "PGDN; ESC",
         1, "mod1 depth=2100; mod3 depth=13900; cycle time=23"},
        {"Alt+F4 closes the settings dialog and stores nothing", "", "", "PGDN; ALT+F4", 1,
         "mod1 depth=2100"},
    });
}

TEST(ViewKeys, ControlMenuAndParameterDump)
{
    RunCases({
        {"the Control Menu opens once, lets the cursor go after OK, and the saver runs on from "
         "where the cursor is",
         "cursor=1000,740", "/s", "F1; box:Control Menu; ENTER; gone; free; PGDN; move:-150,0", 0,
         "mod1 depth=2070"},
        {"Esc closes the Control Menu the same way", "cursor=1000,740", "/s",
         "F1; box:Control Menu; ESC; gone; free; PGDN; move:-150,0", 0, "mod1 depth=2070"},
        {"closed from outside with the Control Menu open, the saver lets the cursor go",
         "cursor=1000,740", "/s", "F1; box:Control Menu; sendclose; free", 0, ""},
        {"the Control Menu in the settings preview", "", "",
         "F1; box:Control Menu; ENTER; gone; PGDN; click:IDOK", 1, "mod1 depth=2070"},
        {"F11 shows the live view", "", "/s",
         "F11; box:Params=g_fDepth 21.000000; ENTER; gone; PGDN; move:-150,0", 0,
         "mod1 depth=2070"},
    });
}

TEST(Shell, CommandLineAndMouse)
{
    RunCases({
        {"an unknown switch", "", "/x", "", -1, ""},
        {"a preview window given after a colon", "", "/p:1234", "", -1, ""},
        {"the password change outside the Windows 9x family", "", "/a 1234", "", -1, ""},
        {"a second start leaves the first saver running", "", "/s", "second; PGDN; move:-150,0", 0,
         "mod1 depth=2070"},
        {"clicks and moves of 100 pixels in all do not close, 101 do", "", "/s",
         "click; move:60,0; move:0,40; PGDN; move:0,1; PGDN", 0, "mod1 depth=2070"},
        {"the preview is not closed by the mouse and hands help and menus to its parent",
         "cursor=260,230", "/p", "move:150,100; click; help; help:menu; close", 0, ""},
        {"the preview gives up on a parent that hangs", "", "/p", "help:hung; close", 0, ""},
    });
}

// On the Windows 9x family, with the stand-in PASSWORD.CPL in the system folder.
TEST(Password, AskedBeforeTheSaverCloses)
{
    RunCases({
        {"an accepted password closes the saver, which told the system it runs",
         "win98; password=1; answer=1", "/s", "close", 0, "calls=1; running=1; frees=1; flag=0"},
        {"a refused one keeps the window, stopped; a close within 200 ms is "
         "not asked again, a later one is; the first close alone saved",
         "win98; password=1; answer=0", "/s",
         "sendclose; sendclose; still:screen; wait:200; set:mod1 depth=1234; "
         "set:answer=1; sendclose",
         0, "calls=2; mod1 depth=1234"},
        {"a 4-byte binary 1 asks like a DWORD", "win98; password=bin1; answer=1", "/s", "close", 0,
         "calls=1"},
        {"0 asks nothing and loads nothing", "win98; password=0; answer=1", "/s", "close", 0,
         "loads=0"},
        {"a value longer than 4 bytes asks nothing", "win98; password=long; answer=1", "/s",
         "close", 0, "loads=0"},
        {"the preview never asks", "win98; password=1; answer=1", "/p", "close", 0, "loads=0"},
        {"a fault in the check clears the system's flag and exits with -1",
         "win98; password=1; answer=2", "/s", "close", -1, "calls=1; flag=0"},
    });
}

// Planted DLLs under the names of the libraries Solmir uses, in the folder it is started from.
TEST(Shell, NothingLoadsFromTheSaversFolder)
{
    RunCases({
        {"the saver turns", "planted", "/s", "turning:screen; ESC", 0, "loads=0"},
        {"the settings preview turns", "planted", "/c", "turning:frame; click:IDCANCEL", 1,
         "loads=0"},
        {"the 9x password check is the system's", "win98; planted; password=1; answer=1", "/s",
         "turning:screen; close", 0, "calls=1; loads=1"},
        {"so is the 9x password change", "win98; planted", "/a 1234", "", 0, "loads=0"},
    });
}

TEST(SlowMachine, NoticeAndRemoval)
{
    const std::string notice = "box:Oops, looks like there is a problem...=2.50 frames";
    const std::string remove = notice + "; click:IDC_REMOVE_SOLMIR; box:Screen saver will ";
    const std::string removed = remove + "be removed.; ENTER; gone; click:IDOK";
    const std::string refused = remove + "not be removed.; ENTER; gone; click:IDOK";
    const std::string slow = "slow=400; install_dir=C:\\Program Files\\Quenwick\\Solmir";
    RunCases({
        {"the first removal", slow.c_str(), "/s", removed.c_str(), 0, "runonce=HKLM/kill_saver"},
        {"the next free name", (slow + "; kill_saver=other").c_str(), "/s", removed.c_str(), 0,
         "runonce=HKLM/kill_saver1"},
        {"the folder read where it may only be read", (slow + "; lock=machine product").c_str(),
         "/s", removed.c_str(), 0, "runonce=HKLM/kill_saver"},
        {"the user's own list when the machine's is closed",
         (slow + "; lock=machine run-once").c_str(), "/s", removed.c_str(), 0,
         "runonce=HKCU/kill_saver"},
        {"not for a standard user: Windows runs it for administrators only",
         (slow + "; lock=machine run-once; standard user").c_str(), "/s", refused.c_str(), 0,
         "runonce=none"},
        {"both lists closed", (slow + "; lock=machine run-once; lock=user run-once").c_str(), "/s",
         refused.c_str(), 0, "runonce=none"},
        {"no folder", "slow=400", "/s", refused.c_str(), 0, "runonce=none"},
    });
}

TEST(SettingsDialog, StoresOnOkOnly)
{
    const std::string typed = "click:IDC_CYCLE_TIME; END; BACK; BACK; ";
    const std::string leave = "; click:IDC_PREVIEW_MODULE1; click:IDOK";
    RunCases({
        {"OK stores the boxes", "", "", "click:IDC_ENABLE_MODULE2; click:IDOK", 1, "mod2 active=0"},
        {"Cancel stores nothing", "", "", "click:IDC_ENABLE_MODULE2; PGDN; click:IDCANCEL", 1,
         "mod2 active=1; mod1 depth=2100"},
        {"a disabled module's preview button shows it and leaves it disabled",
         "mod1 depth=2100; mod2 active=0", "", "click:IDC_PREVIEW_MODULE2; PGDN; click:IDOK", 1,
         "mod2 active=0; mod2 depth=2070; mod1 depth=2100"},
        {"the arrows stop at 9999", "cycle time=9998", "",
         "click:IDC_CYCLE_SPIN^; click:IDC_CYCLE_SPIN^; click:IDOK", 1, "cycle time=9999"},
        {"and at 1", "cycle time=2", "",
         "click:IDC_CYCLE_SPINv; click:IDC_CYCLE_SPINv; click:IDC_CYCLE_SPIN^; click:IDOK", 1,
         "cycle time=2"},
        {"a typed number is bounded when the box loses the focus", "", "",
         (typed + "1; 2; 3; 4; 5" + leave).c_str(), 1, "cycle time=9999"},
        {"0 typed becomes 1", "", "", (typed + "0" + leave).c_str(), 1, "cycle time=1"},
        {"a stored 0 not touched stays 0", "cycle time=0", "", "click:IDOK", 1, "cycle time=0"},
        {"a stored interval not touched stays as it was", "cycle time=1234567890", "", "click:IDOK",
         1, "cycle time=1234567890"},
    });
}

TEST(SettingsDialog, PreviewAboutAndLinks)
{
    const std::string link = "click:IDC_ABOUT; box:Solmir Screen Saver; click:IDC_VISIT_WEB; ESC; "
                             "gone; click:IDCANCEL";
    RunCases({
        {"the preview turns, again after About, and goes with a minimized dialog", "", "/c",
         "turning:frame; click:IDC_ABOUT; box:Solmir Screen Saver; ESC; gone; turning:frame; "
         "minimize; viewhidden; restore; turning:frame; click:IDCANCEL",
         1, ""},
        {"the preview follows its frame's new size", "", "/c",
         "turning:frame; resize:IDC_PREVIEW_FRAME=40,30,300,200; fits; click:IDCANCEL", 1, ""},
        {"the web link starts the browser the system names", "http=\"$BROWSER\" -url \"%1\"", "",
         link.c_str(), 1, "browser=-url http://www.quenwick.com/solmir"},
        {"also when the user may only read its command, and %1 stands unquoted",
         "http=$BROWSER %1; lock=http", "", link.c_str(), 1,
         "browser=http://www.quenwick.com/solmir"},
    });
}

// Run by their own CTest entries, on displays of two monitors (tests/monitors):
// beside, left of and above the primary.
TEST(Monitors, EachShowsTheSceneAndTheInputActsOverAll)
{
    if (GetSystemMetrics(SM_CMONITORS) < 2)
    {
        GTEST_SKIP() << "needs two monitors";
    }
    RunCases({
        {"each monitor shows the whole scene turning, centred on it", "", "/s",
         "centred:monitor1; centred:monitor2; move:0,150", 0, ""},
        {"keys over a secondary monitor steer, the mouse there ends the saver", "cursor=monitor2",
         "/s", "PGDN; move:0,150", 0, "mod1 depth=2070"},
        {"a click over a secondary monitor leaves the saver running in the foreground",
         "cursor=monitor2", "/s", "click; foreground; PGDN; move:0,150", 0, "mod1 depth=2070"},
        {"the Control Menu and F11's box open on the primary", "cursor=monitor2", "/s",
         "F1; box:Control Menu; on:monitor1; ENTER; gone; F11; box:Params; on:monitor1; ENTER; "
         "gone; PGDN; move:0,150",
         0, "mod1 depth=2070"},
        {"too slow for both, fast enough for the primary: the primary alone, and no notice",
         "slow=150", "/s", "turning:monitor1; black:monitor2; move:0,150", 0, ""},
        {"too slow for the primary alone: the notice, on the primary", "slow=400", "/s",
         "box:Oops, looks like there is a problem...; on:monitor1; ENTER", 0, ""},
    });
}

// Run by its own CTest entry, on a screen of 16-bit colour.
TEST(Render, SixteenBitScreen)
{
    HDC screen = GetDC(NULL);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);
    if (bits != 16)
    {
        GTEST_SKIP() << "needs a screen of 16-bit colour";
    }
    RunCases({
        {"no format qualifies: the video card message", "", "/s",
         "box:Screen Saver Error=Your video card doesn't appear to support; ENTER", 0, ""},
    });
}

TEST(Render, DamagedTexture)
{
    RunCases({
        {"a damaged texture is reported, then the set-up", "broken", "/s",
         "box:ERROR=Too many pixels read; ENTER; box:ERROR=Initialization Failed.; ENTER", 0, ""},
    });
}

} // namespace
