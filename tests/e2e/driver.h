// The end-to-end driver. A case is one row: the machine before the start,
// Solmir's command line, what the user does, the exit code, and what must be
// found afterwards. RunCase plays it against the built Solmir.scr (or a test
// build of it) with real input, and checks it with the test's EXPECTs.
// given, does and sees are lists of items separated by "; ".
//
// given (the product key is emptied first; a DWORD of it is "mod1 depth=13900"):
//   cursor=X,Y  where the cursor rests (else the screen's centre); win98: a copy of
//   Solmir run as a Windows 9x program, the stand-in PASSWORD.CPL beside it;
//   password=1|bin1|0|long: "ScreenSaveUsePassword" as DWORD, 4-byte binary, 0, 5
//   bytes; answer=0|1|2: the stand-in refuses, accepts or faults; slow=MS: a build
//   whose clock makes every frame take MS; broken: a build with a damaged texture;
//   install_dir=TEXT ("long": 400 characters); kill_saver…=TEXT: a value of HKLM's
//   run-once list; taken: all its kill_saver names; lock=machine run-once|user
//   run-once|machine product|http: the key readable only; http=TEXT: the HTTP open
//   command, $BROWSER standing for the stand-in browser.
//
// does (each input step waits until Solmir has taken the input):
//   a key: PGDN, N3 (keypad), F1, ALT, A, 7, ALT+F4 …; move:DX,DY: the mouse, from
//   where it is; click: where it is; click:ID: on control ID of the window on top
//   that has one (ID^ and IDv: its upper and lower quarter); box:TITLE[=TEXT]: waits
//   for a window of Solmir's with the title (and text) in the foreground; count:
//   TITLE=N shown; gone: the last box closed; close, sendclose: WM_CLOSE from outside,
//   posted or sent;
//   wait:MS; set:NAME=V: a product DWORD, or the stand-in's answer; second: a second
//   /s start, which ends at once with 0; running; ended; free: the cursor is held
//   nowhere; turning:WHERE and still:WHERE: "screen" or "frame" (1008) shows a
//   moving scene, or one that stands still; help, menu: sent to the preview, they
//   reach its parent; hang: the preview's parent stops answering for 3 s;
//   resize:ID=X,Y,W,H: a control moved and sized; fits: the preview covers frame
//   1008, its scene centred; minimize, restore; viewhidden: the preview's window
//   is hidden; checked:ID: the button is checked.
//
// sees: a product DWORD ("mod1 depth=2070"); values=N under the product key;
//   runonce=HKLM/kill_saver1: the one run-once value (either list) holding the
//   uninstaller's quoted command, or none; calls, loads, frees, running=N: what
//   the stand-in PASSWORD.CPL saw; flag=0|1: the system's saver-running flag;
//   browser=TEXT: the stand-in browser's command line after its name.
#pragma once

struct Case
{
    const char* what;    // the rule, as a sentence
    const char* given;   // the machine at the start
    const char* command; // Solmir's command line; "/p" gets a preview window of the test's
    const char* does;    // what the user does
    long exitCode;       // Solmir's exit code
    const char* sees;    // what must be found afterwards
};

void RunCase(const Case& c);
