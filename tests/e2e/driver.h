// The end-to-end driver. A case is one row: the machine before the start, Solmir's command line,
// what the user does, the exit code, and what must be found afterwards; RunCase plays it with real
// input against the built Solmir.scr (or a test build). Lists are separated by "; ", and every
// name must be one the driver knows, or the row fails before it starts.
// given: a product DWORD "mod1 depth=13900" (the key is emptied first); cursor=X,Y|WHERE; win98 (a
//   copy run as a 9x program, the stand-in PASSWORD.CPL in the system folder); planted (a copy,
//   the stand-in beside it as opengl32, glu32, mpr, PASSWORD.CPL, taken first);
//   password=1|bin1|0|long and answer=0|1|2 (refuse, accept, fault) for the stand-in; slow=MS
//   (every frame takes MS); standard user (the token is no administrator's; with slow); broken (a
//   damaged texture); install_dir=TEXT; kill_saver…=TEXT in HKLM's run-once list; lock=machine
//   run-once|user run-once|machine product|http (readable only); http=TEXT ($BROWSER: a browser).
// does, each input queued for Solmir before the next: keys (PGDN, N3 on the keypad, F1, ALT+F4, A,
//   7 …); move:DX,DY; click; click:ID (^ and v: its upper and lower quarter) on the window on top
//   that has it; box:TITLE[=TEXT] in the foreground; gone (the box closed); close and sendclose
//   (WM_CLOSE posted or sent); wait:MS; set:NAME=V (a product DWORD, or the stand-in's answer);
//   second (another /s start, which ends with 0); free (the cursor held nowhere); turning:WHERE
//   (two new frames: everything sent before has been taken) and still:WHERE (screen, frame, or
//   monitorN: the Nth, the primary first); centred:WHERE (the scene turns in its middle);
//   black:WHERE; on:WHERE (the box stands centred there); foreground (the saver window is);
//   help[:menu|hung] (help or a menu sent to the preview reaches its parent; or the parent hangs);
//   resize:ID=X,Y,W,H; fits (the preview covers the frame, its scene centred); minimize, restore,
//   viewhidden; checked:ID. An ID is the control's name in resource.h: IDOK, IDC_ABOUT …
// sees: a product DWORD; runonce=HKLM/NAME|HKCU/NAME|none (the run-once values holding the
//   uninstaller's quoted command); calls, loads, frees, running=N (the stand-in's counts);
//   flag=0|1 (the saver-running flag); browser=TEXT (after its name).
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
