// The About dialog and its two links: the product web page, opened in the
// browser the system names for HTTP, and a mail message to the author.
#include "settings/settings.h"

#include "resource.h"
#include "settings/browser_command.h"
#include "shell/shell.h"

#include <shellapi.h>

// The product's web page and the author's mail address: change them here only.
#define SOLMIR_WEB_ADDRESS "http://www.quenwick.com/solmir"
#define SOLMIR_MAIL_ADDRESS "solmir@quenwick.com"

namespace
{

const char kWebLink[] = "-new " SOLMIR_WEB_ADDRESS; // "-new " and the product web address
// "mailto:" address with its subject
const char kMailLink[] = "mailto:" SOLMIR_MAIL_ADDRESS "?subject=Solmir screen saver";

const char kHttpOpenCommandKey[] = "HTTP\\shell\\open\\command";
// What the system's command is read into; a longer one reads as missing.
const DWORD kBrowserCommandSize = 256;
// The program is part of the command, so it always fits; the parameters have
// room for the command's own and an address of several hundred characters.
const size_t kBrowserProgramSize = kBrowserCommandSize;
const size_t kBrowserParametersSize = 1024;

void OpenUrlInBrowser(const char* text)
{
    char command[kBrowserCommandSize] = {};
    RegSelectKey(NULL, kHttpOpenCommandKey);
    RegReadClassesString("", command, kBrowserCommandSize, "dummy");
    // Later store operations must find the product key selected again.
    RegSelectKey(NULL, g_szProductKey);

    // A text without an address, or a command too long for the buffers,
    // starts nothing rather than a shortened command.
    char program[kBrowserProgramSize];
    char parameters[kBrowserParametersSize];
    if (!BuildBrowserCommand(command, text, program, sizeof(program), parameters,
                             sizeof(parameters)))
    {
        return;
    }

    SHELLEXECUTEINFOA start = {};
    start.cbSize = sizeof(start);
    start.hwnd = GetDesktopWindow();
    start.lpFile = program;
    start.lpParameters = parameters;
    start.nShow = SW_RESTORE;
    ShellExecuteExA(&start);
}

void OpenMailMessage()
{
    ShellExecuteA(NULL, NULL, kMailLink, NULL, NULL, SW_SHOWMAXIMIZED);
}

INT_PTR OnAboutCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam))
    {
    case IDC_VISIT_WEB:
        OpenUrlInBrowser(kWebLink);
        return TRUE;
    case IDC_SEND_MAIL:
        OpenMailMessage();
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, 1);
        return FALSE;
    default:
        return TRUE;
    }
}

} // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
        CenterOnDesktop(dialog);
        return FALSE;
    case WM_COMMAND:
        return OnAboutCommand(dialog, wParam);
    default:
        return FALSE;
    }
}
