// The end-to-end driver. A case is one row: the machine before the start,
// Solmir's command line, what the user does, the exit code, and what must be
// found afterwards. RunCase plays it against the built Solmir.scr (or a test
// build of it) with real input, and checks it with the test's EXPECTs.
//
// given, does and sees are lists of items separated by "; ".
//
// given — before the start (the product key is always emptied first):
//   mod1 depth=13900    a DWORD under HKCU\Software\Quenwick\Solmir
//   cursor=1000,740     where the cursor rests (default: the screen's centre)
//   win98               a copy of Solmir that Wine runs as a Windows 9x program,
//                       with the stand-in PASSWORD.CPL beside it
//   password=1|bin1|0|long   "ScreenSaveUsePassword": DWORD, 4-byte binary, 0, 5 bytes
//   answer=0|1|2        the stand-in refuses, accepts, or faults
//   slow=400            SolmirSlowClock.scr: every clock read 400 ms after the last
//   broken              SolmirBrokenTex.scr: its cylinder texture is damaged
//   install_dir=TEXT    HKLM's product value; TEXT "long" is 400 characters
//   kill_saver=TEXT     a run-once value already in HKLM's list (any kill_saver name)
//   taken               every run-once name of HKLM's list already taken
//   lock=KEY            KEY readable only: "machine run-once", "user run-once",
//                       "machine product", "http"
//   http=TEXT           HKCR\HTTP\shell\open\command; $BROWSER is the stand-in browser
//
// does — in order; every input step waits until Solmir has taken the input:
//   PGDN, N3, F1, ALT, A, 7, ALT+F4 …  a key press (see KeyCode in driver.cpp)
//   move:DX,DY          the mouse, that far from where the cursor is
//   click               a mouse click where the cursor is
//   click:ID            a click on control ID of the box on top, or of the dialog;
//                       ID^ and IDv click its upper and lower quarter
//   type:DIGITS         key presses
//   box:TITLE[=TEXT]    waits for a window of Solmir's with the title (and text)
//   nobox:TITLE         no window with the title is shown
//   count:TITLE=N       that many windows with the title are shown
//   gone                waits for the last box to close
//   close, sendclose    WM_CLOSE from outside, posted or sent
//   wait:MS             lets time pass (for rules about time)
//   set:NAME=V          a DWORD in the product key; set:answer=V for the stand-in
//   second              a second /s start, which must end at once with 0
//   running             Solmir still runs
//   free, hidden        the cursor is not held in a rectangle; the cursor is hidden
//   turning:WHERE, still:WHERE   WHERE ("screen" or "frame", the preview frame
//                       1008) shows a scene that moves, or that stands still
//   help, menu          help or a context menu sent to the preview, which must
//                       reach the preview's parent
//   hang                the preview's parent stops answering for 3 s
//   resize:ID=X,Y,W,H   control ID of the dialog moved and sized (client pixels)
//   fits                the preview covers frame 1008, its scene centred in it
//   minimize, restore   the dialog minimized or restored
//   viewhidden          the preview's own window is hidden
//
// sees — after the end:
//   mod1 depth=2070     a DWORD of the product key; values=25: their number
//   runonce=HKLM/kill_saver1   the one run-once value (either hive) holding the
//                       uninstaller's quoted command; runonce=none: none does
//   calls=1, loads=1, frees=1, during=1   what the stand-in PASSWORD.CPL saw
//   flag=0              the system's saver-running flag
//   browser=TEXT        the stand-in browser started with a line ending in TEXT
#pragma once

const long RUNNING = -2; // exitCode of a case whose program must still run at the end

struct Case
{
    const char* what;    // the rule, as a sentence
    const char* given;   // the machine at the start
    const char* command; // Solmir's command line; "/p" gets a preview window of the test's
    const char* does;    // what the user does
    long exitCode;       // Solmir's exit code; RUNNING: still running
    const char* sees;    // what must be found afterwards
};

void RunCase(const Case& c);
