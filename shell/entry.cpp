// Program entry: takes the run mode from the command line, runs that one mode
// and ends the process with its result.
#include "shell/shell.h"

#include "settings/settings.h"
#include "resource.h"

HINSTANCE g_hInstance;
bool g_bWin9x;

namespace
{

const char* SkipSpaces(const char* text)
{
    while (*text == ' ')
    {
        ++text;
    }
    return text;
}

// The decimal number at the start of the text; 0 when it starts with no digit.
uint32_t ParseWindowHandle(const char* text)
{
    uint32_t value = 0;
    while (*text >= '0' && *text <= '9')
    {
        // Unsigned arithmetic: a number too long for 32 bits wraps, it does not trap.
        value = value * 10u + static_cast<uint32_t>(*text - '0');
        ++text;
    }
    return value;
}

HWND WindowFromNumber(uint32_t number)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
}

bool IsWin9xFamily()
{
    OSVERSIONINFOA info = {};
    static_assert(sizeof(info) == 148, "the version record of the ANSI call is 148 bytes");
    info.dwOSVersionInfoSize = 148;
    if (!GetVersionExA(&info))
    {
        return false;
    }
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// A fault that nothing else handled: the platform decides first (crash report,
// debugger); when it hands control back, the system must not be left believing
// a password-protected saver still runs, and the exit code tells of the failure.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* info)
{
    // The platform's filter calls the installed one; remove ours so it does
    // not come back here.
    SetUnhandledExceptionFilter(NULL);
    LONG verdict = UnhandledExceptionFilter(info);
    if (verdict == EXCEPTION_EXECUTE_HANDLER)
    {
        SetSaverRunning(false);
        ExitProcess(static_cast<UINT>(-1));
    }
    return verdict;
}

int RunPreview(uint32_t window)
{
    HWND parent = WindowFromNumber(window);
    if (window == 0 || !IsWindow(parent))
    {
        return -1;
    }
    return RunSaverWindow(parent);
}

int RunPasswordChange(uint32_t window)
{
    if (!g_bWin9x)
    {
        return -1;
    }
    HWND owner = WindowFromNumber(window);
    if (window == 0 || !IsWindow(owner))
    {
        owner = GetForegroundWindow();
    }
    ChangeSaverPassword(owner);
    return 0;
}

INT_PTR ShowSettingsDialog(HWND owner)
{
    // The dialog's spin arrows are a common control: their class must exist
    // before the dialog is created.
    InitSettingsControls();
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc,
                           0);
}

int RunRequestedMode(const RunRequest& request)
{
    switch (request.mode)
    {
    case RUN_SETTINGS:
        return static_cast<int>(ShowSettingsDialog(NULL));
    case RUN_SETTINGS_OWNED:
        return static_cast<int>(ShowSettingsDialog(GetForegroundWindow()));
    case RUN_SAVER:
        return RunSaverWindow(NULL);
    case RUN_PREVIEW:
        return RunPreview(request.window);
    case RUN_PASSWORD:
        return RunPasswordChange(request.window);
    case RUN_INVALID:
        break;
    }
    return -1;
}

} // namespace

const char* SkipProgramName(const char* line)
{
    if (*line == '"')
    {
        // A quoted path may hold spaces; it ends at the closing quote.
        do
        {
            line = CharNextA(line);
        } while (*line != '\0' && *line != '"');
        if (*line == '"')
        {
            ++line;
        }
        return line;
    }
    // Bytes 0x80 and up belong to the path too: only controls and space end it.
    while (static_cast<unsigned char>(*line) > ' ')
    {
        line = CharNextA(line);
    }
    return line;
}

const char* SkipSeparators(const char* text)
{
    while (*text != '\0' && static_cast<unsigned char>(*text) <= ' ')
    {
        text = CharNextA(text);
    }
    return text;
}

RunRequest ParseRunRequest(const char* text)
{
    while (*text == ' ' || *text == '-' || *text == '/')
    {
        ++text;
    }
    RunRequest request = {};
    request.mode = RUN_INVALID;
    request.window = 0;
    switch (*text)
    {
    case '\0':
        request.mode = RUN_SETTINGS;
        break;
    case 'C':
    case 'c':
        request.mode = RUN_SETTINGS_OWNED;
        break;
    case 'S':
    case 's':
        request.mode = RUN_SAVER;
        break;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        request.mode = RUN_PREVIEW;
        request.window = ParseWindowHandle(SkipSpaces(text + 1));
        break;
    case 'A':
    case 'a':
        request.mode = RUN_PASSWORD;
        request.window = ParseWindowHandle(SkipSpaces(text + 1));
        break;
    default:
        break;
    }
    return request;
}

namespace
{

// The instance and the text behind the program name; the result is the exit code.
int DispatchRunMode(HINSTANCE instance, const char* text)
{
    g_hInstance = instance;
    g_bWin9x = IsWin9xFamily();
    // Guards the whole mode: a fault that escapes it ends the process here.
    SetUnhandledExceptionFilter(EndOnFault);
    return RunRequestedMode(ParseRunRequest(text));
}

} // namespace

void SaverEntry()
{
    LimitLibrarySearch();
    const char* text = SkipSeparators(SkipProgramName(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(DispatchRunMode(GetModuleHandleA(NULL), text)));
}
