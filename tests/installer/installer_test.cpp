// End to end: Solmir-setup.exe installs into this Wine prefix, and the uninstaller, started the
// way the saver schedules it ("<install_dir>\uninstal.exe", quoted, no arguments) or silently,
// leaves nothing of the product behind.
#include "support/support.h"

#include <gtest/gtest.h>

namespace
{

std::string Expand(const char* path)
{
    char buffer[MAX_PATH] = {};
    ExpandEnvironmentStringsA(path, buffer, sizeof(buffer));
    return buffer;
}

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kVendorKey[] = "Software\\Quenwick";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Solmir";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kDesktopKey[] = "Control Panel\\Desktop";
// A 64-bit process sees the real System32, where the installer must have put the saver.
const std::string kInstalledScr = Expand("%SystemRoot%\\system32\\Solmir.scr");
const std::string kVendorDir = Expand("%ProgramFiles%\\Quenwick");
const std::string kInstallDir = kVendorDir + "\\Solmir";
const std::string kUninstaller = kInstallDir + "\\uninstal.exe";
// What the saver schedules, and so how Windows starts the uninstaller at log-on.
const std::string kScheduledRemoval = "\"" + kUninstaller + "\"";
const std::string kUpperCaseRemoval =
    "\"" + Expand("%ProgramFiles%\\QUENWICK\\SOLMIR\\UNINSTAL.EXE") + "\"";
const char kOtherSaver[] = "C:\\windows\\system32\\Other.scr";
const DWORD kTimeoutMs = 30000;
const DWORD kSettingsMarker = 42; // "cycle time" the user chose before installing

enum Outcome
{
    KEPT,
    REMOVED
};

// Run-once entries waiting for the next log-on: ours from presses of "Remove Solmir" (written
// without quotes by older savers, and to the user's list when the machine's was closed to the
// saver), and other programs' under names like ours.
const struct
{
    const char* name;
    HKEY hive;
    const char* value;
    std::string command;
    Outcome outcome;
} kRunOnceEntries[] = {
    {"ours goes", kMachine, "kill_saver", kScheduledRemoval, REMOVED},
    {"another program's stays", kMachine, "kill_saver1", "C:\\cleanup.exe", KEPT},
    {"ours without quotes goes", kMachine, "kill_saver2", kUninstaller, REMOVED},
    {"ours in the user's list goes", kUser, "kill_saver", kScheduledRemoval, REMOVED},
    {"ours in the user's list without quotes goes", kUser, "kill_saver1", kUninstaller, REMOVED},
    {"ours in other letter case goes", kUser, "kill_saver2", kUpperCaseRemoval, REMOVED},
    {"another program's in the user's list stays", kUser, "kill_saver3", "\"C:\\x.exe\"", KEPT},
    {"one of another name stays", kUser, "cleanup", kScheduledRemoval, KEPT},
};

struct Reply
{
    const char* dialogText;
    int buttonId;                   // a wizard's Next and Finish are IDOK
    void (*pfnWhileShown)() = NULL; // runs before the button is clicked
};
typedef std::vector<Reply> Replies;
const Reply kWelcome = {"Setup will install the Solmir screen saver on your computer.", IDOK};
const Reply kFinish = {"Quenwick Software Solmir has been installed on your computer.", IDOK};
const char kOffer[] = "Do you want to make Solmir your screen saver now?";
const char kConfirm[] = "Do you want to remove Quenwick Software Solmir from your computer?";
const char kAskSettings[] = "Do you also want to remove your Solmir settings";
const Reply kRemovedNote = {"Quenwick Software Solmir was removed from your computer.", IDOK};

// ---- Runs

// The shown window (a message box, a wizard) with a control at any depth whose text holds
// `text`.
HWND FindDialogWithText(const char* text)
{
    std::pair<const char*, HWND> search(text, NULL);
    EnumChildWindows(
        GetDesktopWindow(),
        [](HWND child, LPARAM lParam) -> BOOL
        {
            auto* pSearch = reinterpret_cast<std::pair<const char*, HWND>*>(lParam);
            if (IsWindowVisible(child) &&
                WindowTitle(child).find(pSearch->first) != std::string::npos)
            {
                pSearch->second = GetAncestor(child, GA_ROOT);
            }
            return pSearch->second == NULL;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Waits for each dialog in turn and clicks its button.
bool Answer(const Replies& replies)
{
    for (const Reply& reply : replies)
    {
        HWND dialog = NULL;
        if (!WaitUntil([&] { return (dialog = FindDialogWithText(reply.dialogText)) != NULL; },
                       kTimeoutMs))
        {
            return false;
        }
        if (reply.pfnWhileShown != NULL)
        {
            reply.pfnWhileShown();
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(reply.buttonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, reply.buttonId)));
    }
    return true;
}

bool HasEnded(HANDLE hJob)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    return QueryInformationJobObject(hJob, JobObjectBasicAccountingInformation, &info, sizeof(info),
                                     NULL) &&
           info.ActiveProcesses == 0;
}

// Runs `commandLine` until it and every process it started have ended, answering its dialogs;
// the exit code, or STILL_ACTIVE when a dialog or the end did not come. The uninstaller copies
// itself to the temporary folder, starts the copy and exits at once: hence the job.
DWORD RunToEnd(const std::string& commandLine, const Replies& replies = {})
{
    // Wine starts its desktop process when a program first needs it; started by the installer
    // it would land in the job and never end.
    GetDesktopWindow();
    std::string buffer = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    HANDLE hJob = CreateJobObjectA(NULL, NULL);
    DWORD code = STILL_ACTIVE;
    // Suspended, so the first process is in the job before it can start another.
    if (hJob != NULL && CreateProcessA(NULL, &buffer[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL,
                                       NULL, &startup, &process))
    {
        if (AssignProcessToJobObject(hJob, process.hProcess) &&
            ResumeThread(process.hThread) == 1 && Answer(replies) &&
            WaitUntil([&] { return HasEnded(hJob); }, kTimeoutMs))
        {
            GetExitCodeProcess(process.hProcess, &code);
        }
        TerminateProcess(process.hProcess, 1); // when it never joined the job
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    TerminateJobObject(hJob, 1); // a failed test leaves no installer waiting
    CloseHandle(hJob);
    return code;
}

std::string Install(const char* options)
{
    const std::string scr = SolmirScrPath();
    return "\"" + scr.substr(0, scr.find_last_of('\\')) + "\\Solmir-setup.exe\"" + options;
}

// ---- The machine

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The 64-bit saver would never find a key the installer wrote to the 32-bit view.
bool HasKey(HKEY root, const char* path, REGSAM view = 0)
{
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(root, path, 0, KEY_READ | view, &key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string Text(HKEY root, const char* path, const char* name)
{
    std::string text = "<missing>";
    ReadString(root, path, name, &text);
    return text;
}

// The screen saver setting, e.g. "C:\windows\system32\Other.scr, on".
std::string CurrentSaver()
{
    return Text(kUser, kDesktopKey, "SCRNSAVE.EXE") +
           (Text(kUser, kDesktopKey, "ScreenSaveActive") == "1" ? ", on" : ", off");
}
const std::string kSolmirOn = kInstalledScr + ", on";
const std::string kOtherOn = std::string(kOtherSaver) + ", on";
const char kNoSaver[] = "<missing>, off";

// A machine without Solmir but with removals of it still scheduled, where the user has Solmir
// settings from an earlier installation and another current screen saver.
void ResetMachine()
{
    DeleteFileA(kInstalledScr.c_str());
    RemoveFolder(kInstallDir + "\\");
    RemoveDirectoryA(kVendorDir.c_str());
    ASSERT_FALSE(FileExists(kInstalledScr));
    DeleteTree(kMachine, kVendorKey);
    DeleteTree(kMachine, kUninstallKey);
    for (const auto& entry : kRunOnceEntries)
    {
        SetString(entry.hive, kRunOnceKey, entry.value, entry.command.c_str());
    }
    DeleteTree(kUser, kVendorKey);
    SetDword(kUser, kProductKey, "cycle time", kSettingsMarker);
    SetString(kUser, kDesktopKey, "SCRNSAVE.EXE", kOtherSaver);
    SetString(kUser, kDesktopKey, "ScreenSaveActive", "1");
}

void ExpectInstalled()
{
    std::string built;
    std::string scr;
    std::string uninstaller;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &built));
    ASSERT_TRUE(ReadFileBytes(kInstalledScr, &scr));
    ASSERT_TRUE(ReadFileBytes(kUninstaller, &uninstaller));
    EXPECT_TRUE(built == scr) << "the installed saver differs from the built one";
    EXPECT_EQ(kInstallDir, Text(kMachine, kProductKey, "install_dir"));
    EXPECT_FALSE(HasKey(kMachine, kProductKey, KEY_WOW64_32KEY));
    EXPECT_FALSE(HasKey(kMachine, kUninstallKey, KEY_WOW64_32KEY));
    // The Add/Remove Programs entry.
    auto arp = [](const char* name) { return Text(kMachine, kUninstallKey, name); };
    EXPECT_EQ("Quenwick Software Solmir", arp("DisplayName"));
    EXPECT_EQ(kInstalledScr + ",0", arp("DisplayIcon"));
    EXPECT_EQ(kInstallDir, arp("InstallLocation"));
    EXPECT_EQ("\"" + kUninstaller + "\"", arp("UninstallString"));
    EXPECT_EQ("\"" + kUninstaller + "\" /S", arp("QuietUninstallString"));
    EXPECT_EQ(1u, ReadDword(kMachine, kUninstallKey, "NoModify", 0));
    EXPECT_EQ(1u, ReadDword(kMachine, kUninstallKey, "NoRepair", 0));
    const double kb = (scr.size() + uninstaller.size()) / 1024.0;
    EXPECT_NEAR(kb, ReadDword(kMachine, kUninstallKey, "EstimatedSize", 0), 2.0);
}

// Nothing of the product is left; the installer wrote nothing to the 32-bit view.
void ExpectRemoved()
{
    EXPECT_FALSE(FileExists(kInstalledScr));
    EXPECT_FALSE(FileExists(kVendorDir)) << "the Quenwick folder";
    EXPECT_FALSE(HasKey(kMachine, kVendorKey));
    EXPECT_FALSE(HasKey(kMachine, kUninstallKey));
    for (const auto& entry : kRunOnceEntries)
    {
        std::string command;
        EXPECT_EQ(entry.outcome == KEPT, ReadString(entry.hive, kRunOnceKey, entry.value, &command))
            << "run-once entry: " << entry.name;
    }
}

TEST(Installer, InstallPlacesSolmirAndMakesItCurrentOnlyWhenAsked)
{
    const struct
    {
        const char* name;
        const char* options;
        Replies replies;
        std::string saverAfter;
    } rows[] = {
        {"silent, it keeps the current saver", " /S", {}, kOtherOn},
        {"silent with /SETSAVER, it makes Solmir current", " /S /SETSAVER", {}, kSolmirOn},
        {"interactive, it asks, and Yes makes Solmir current",
         "",
         {kWelcome, {kOffer, IDYES}, kFinish},
         kSolmirOn},
        {"interactive, it asks, and No keeps the current saver",
         "",
         {kWelcome, {kOffer, IDNO}, kFinish},
         kOtherOn},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_EQ(0u, RunToEnd(Install(row.options), row.replies));
        ExpectInstalled();
        EXPECT_EQ(row.saverAfter, CurrentSaver());
        EXPECT_EQ(kSettingsMarker, ReadDword(kUser, kProductKey, "cycle time", 0));
    }
    // The saver starts from its installed place: a switch it does not know ends it with -1.
    EXPECT_EQ(static_cast<DWORD>(-1), RunToEnd("\"" + kInstalledScr + "\" /x"));
}

// Several presses of "Remove Solmir" start several uninstallers at the same log-on.
void StartSecondUninstaller()
{
    EXPECT_EQ(0u, RunToEnd(kScheduledRemoval)) << "the second uninstaller did not leave";
    ExpectInstalled();
}

// Started by Windows at log-on exactly as scheduled, the uninstaller asks before it acts.
TEST(Installer, RemovalAsksUnlessSilentAndKeepsTheSettingsUnlessTold)
{
    const Replies decline = {{kConfirm, IDNO}};
    const Replies remove = {{kConfirm, IDYES}, {kAskSettings, IDNO}, kRemovedNote};
    const Replies removeAll = {{kConfirm, IDYES}, {kAskSettings, IDYES}, kRemovedNote};
    const Replies removeWhileSecond = {
        {kConfirm, IDYES, StartSecondUninstaller}, {kAskSettings, IDNO}, kRemovedNote};
    const struct
    {
        const char* name;
        const char* install;
        const char* options;
        Replies replies;
        void (*pfnExpectProduct)();
        std::string saverAfter;
        Outcome settings;
    } rows[] = {
        {"declined, it changes nothing", " /S /SETSAVER", "", decline, ExpectInstalled, kSolmirOn,
         KEPT},
        {"confirmed, it keeps the settings", " /S /SETSAVER", "", remove, ExpectRemoved, kNoSaver,
         KEPT},
        {"confirmed twice, it removes the settings", " /S /SETSAVER", "", removeAll, ExpectRemoved,
         kNoSaver, REMOVED},
        {"asking, it lets a second one leave unasked", " /S /SETSAVER", "", removeWhileSecond,
         ExpectRemoved, kNoSaver, KEPT},
        {"silent, it keeps the settings", " /S /SETSAVER", " /S", Replies{}, ExpectRemoved,
         kNoSaver, KEPT},
        {"silent with /REMOVESETTINGS, it removes them", " /S /SETSAVER", " /S /REMOVESETTINGS",
         Replies{}, ExpectRemoved, kNoSaver, REMOVED},
        {"silent, it keeps another current saver", " /S", " /S", Replies{}, ExpectRemoved, kOtherOn,
         KEPT},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_EQ(0u, RunToEnd(Install(row.install)));
        ASSERT_EQ(0u, RunToEnd(kScheduledRemoval + row.options, row.replies));
        row.pfnExpectProduct();
        EXPECT_EQ(row.saverAfter, CurrentSaver());
        EXPECT_EQ(row.settings == KEPT, HasKey(kUser, kProductKey));
        EXPECT_EQ(row.settings == KEPT, HasKey(kUser, kVendorKey));
    }
}

} // namespace
