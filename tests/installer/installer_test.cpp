// End to end: Solmir-setup.exe installs into this Wine prefix, and the uninstaller, started the
// way the saver schedules it ("<install_dir>\uninstal.exe", quoted, no arguments) or silently,
// leaves nothing of the product behind.
#include "support/support.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER;
const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kVendorKey[] = "Software\\Quenwick";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Solmir";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kDesktopKey[] = "Control Panel\\Desktop";
// A 64-bit process sees the real System32, where the installer must have put the saver.
const std::string kInstalledScr = std::string(getenv("SystemRoot")) + "\\system32\\Solmir.scr";
const std::string kVendorDir = std::string(getenv("ProgramFiles")) + "\\Quenwick";
const std::string kUninstaller = kVendorDir + "\\Solmir\\uninstal.exe";
const std::string kScheduled = "\"" + kUninstaller + "\""; // as Windows runs it at log-on
const char kOtherSaver[] = "C:\\windows\\system32\\Other.scr";
const DWORD kTimeoutMs = 30000;
const DWORD kSettingsMarker = 42; // "cycle time" the user chose before installing

// Run-once entries (hive, name, command, ours) waiting for the next log-on: ours from presses of
// "Remove Solmir" (unquoted from older savers, in the user's list when the machine's was closed to
// the saver), and other programs' under names like ours.
const std::tuple<HKEY, const char*, std::string, bool> kRunOnce[] = {
    {kMachine, "kill_saver", kScheduled, true},
    {kMachine, "kill_saver1", "C:\\cleanup.exe", false},
    {kMachine, "kill_saver2", kUninstaller, true},
    {kUser, "kill_saver", kScheduled, true},
    {kUser, "kill_saver1", kUninstaller, true},
    {kUser, "kill_saver2",
     "\"" + std::string(getenv("ProgramFiles")) + "\\QUENWICK\\SOLMIR\\UNINSTAL.EXE\"", true},
    {kUser, "kill_saver3", "\"C:\\x.exe\"", false},
    {kUser, "cleanup", kScheduled, false},
};

// A dialog the run must show, found by a text in it, and the button to press (a wizard's Next
// and Finish are IDOK); whileShown runs first.
struct Reply
{
    const char* text;
    int button;
    void (*whileShown)() = NULL;
};
const Reply kWelcome = {"Setup will install the Solmir screen saver on your computer.", IDOK};
const Reply kFinish = {"Quenwick Software Solmir has been installed on your computer.", IDOK};
const char kOffer[] = "Do you want to make Solmir your screen saver now?";
const char kConfirm[] = "Do you want to remove Quenwick Software Solmir from your computer?";
const char kAskSettings[] = "Do you also want to remove your Solmir settings";
const Reply kRemovedNote = {"Quenwick Software Solmir was removed from your computer.", IDOK};

// The shown window (a message box, a wizard) with a control at any depth holding `text`.
HWND FindDialogWithText(const char* text)
{
    std::pair<const char*, HWND> search(text, NULL);
    EnumChildWindows(
        GetDesktopWindow(),
        [](HWND child, LPARAM p) -> BOOL
        {
            auto& [wanted, found] = *reinterpret_cast<std::pair<const char*, HWND>*>(p);
            bool hit =
                IsWindowVisible(child) && WindowTitle(child).find(wanted) != std::string::npos;
            found = hit ? GetAncestor(child, GA_ROOT) : NULL;
            return !hit;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Runs `commandLine` until it and every process it started have ended, answering its dialogs
// in turn; the exit code, or STILL_ACTIVE when a dialog or the end did not come. The
// uninstaller copies itself to the temporary folder, starts the copy and exits: hence the job.
DWORD RunToEnd(std::string commandLine, const std::vector<Reply>& replies = {})
{
    // Wine starts its desktop process when a program first needs it; started by the installer
    // it would land in the job and never end.
    GetDesktopWindow();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    SaverProcess process; // ended, if it never joined the job, and closed
    HANDLE job = CreateJobObjectA(NULL, NULL);
    // Suspended, so the first process is in the job before it can start another.
    bool answered = CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL,
                                   NULL, &startup, &process.info) &&
                    AssignProcessToJobObject(job, process.info.hProcess) &&
                    ResumeThread(process.info.hThread) == 1;
    for (const Reply& reply : replies)
    {
        HWND dialog = NULL;
        answered = answered &&
                   WaitUntil([&] { return (dialog = FindDialogWithText(reply.text)); }, kTimeoutMs);
        if (answered && reply.whileShown)
        {
            reply.whileShown();
        }
        PostMessageA(dialog, WM_COMMAND, reply.button, (LPARAM)GetDlgItem(dialog, reply.button));
    }
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    // On a busy machine Wine may count none for a moment before the first has run: it too must
    // have ended.
    auto ended = [&]
    {
        return QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info,
                                         sizeof(info), NULL) &&
               info.ActiveProcesses == 0 && WaitForExit(process, 0) != STILL_ACTIVE;
    };
    const DWORD code =
        answered && WaitUntil(ended, kTimeoutMs) ? WaitForExit(process, 0) : STILL_ACTIVE;
    TerminateJobObject(job, 1); // a failed test leaves no installer waiting
    CloseHandle(job);
    return code;
}

std::string Install(const char* options)
{
    const std::string scr = SolmirScrPath();
    return "\"" + scr.substr(0, scr.find_last_of('\\')) + "\\Solmir-setup.exe\"" + options;
}

// The 64-bit saver would never find a key the installer wrote to the 32-bit view.
bool HasKey(HKEY root, const char* path, REGSAM view = 0)
{
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(root, path, 0, KEY_READ | view, &key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The screen saver setting, e.g. "C:\windows\system32\Other.scr, on".
std::string CurrentSaver()
{
    return ReadString(kUser, kDesktopKey, "SCRNSAVE.EXE", "<missing>") +
           (ReadString(kUser, kDesktopKey, "ScreenSaveActive") == "1" ? ", on" : ", off");
}
const std::string kSolmirOn = kInstalledScr + ", on";
const std::string kOtherOn = std::string(kOtherSaver) + ", on";
const std::string kNoSaver = "<missing>, off";

// A machine without Solmir but with removals of it still scheduled, where the user has Solmir
// settings from an earlier installation and another current screen saver.
void ResetMachine()
{
    DeleteFileA(kInstalledScr.c_str());
    RemoveFolder(kVendorDir);
    DeleteTree(kMachine, kVendorKey);
    DeleteTree(kMachine, kUninstallKey);
    DeleteTree(kUser, kVendorKey);
    for (const auto& [hive, name, command, ours] : kRunOnce)
    {
        SetString(hive, kRunOnceKey, name, command.c_str());
    }
    SetDword(kUser, kProductKey, "cycle time", kSettingsMarker);
    SetString(kUser, kDesktopKey, "SCRNSAVE.EXE", kOtherSaver);
    SetString(kUser, kDesktopKey, "ScreenSaveActive", "1");
}

void ExpectInstalled()
{
    std::string built, scr;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &built) && ReadFileBytes(kInstalledScr, &scr));
    EXPECT_TRUE(built == scr) << "the installed saver differs from the built one";
    EXPECT_EQ(kVendorDir + "\\Solmir", ReadString(kMachine, kProductKey, "install_dir"));
    EXPECT_FALSE(HasKey(kMachine, kProductKey, KEY_WOW64_32KEY));
    EXPECT_FALSE(HasKey(kMachine, kUninstallKey, KEY_WOW64_32KEY));
    // The Add/Remove Programs entry.
    auto arp = [](const char* name) { return ReadString(kMachine, kUninstallKey, name); };
    EXPECT_EQ("Quenwick Software Solmir", arp("DisplayName"));
    EXPECT_EQ(kScheduled, arp("UninstallString"));
    EXPECT_EQ(kScheduled + " /S", arp("QuietUninstallString"));
}

// Nothing of the product is left, and of the removals waiting only other programs' stay.
void ExpectRemoved()
{
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kInstalledScr.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kVendorDir.c_str())) << "the folder";
    EXPECT_FALSE(HasKey(kMachine, kVendorKey));
    EXPECT_FALSE(HasKey(kMachine, kUninstallKey));
    for (const auto& [hive, name, command, ours] : kRunOnce)
    {
        EXPECT_EQ(!ours, ReadString(hive, kRunOnceKey, name, "gone") != "gone")
            << (hive == kUser ? "HKCU " : "HKLM ") << name << " = " << command;
    }
}

TEST(Installer, InstallPlacesSolmirAndMakesItCurrentOnlyWhenAsked)
{
    const struct
    {
        const char* what;
        const char* options;
        std::vector<Reply> replies;
        std::string saverAfter;
    } rows[] = {
        {"silent, it keeps the current saver", " /S", {}, kOtherOn},
        {"silent with /SETSAVER, it makes Solmir current", " /S /SETSAVER", {}, kSolmirOn},
        {"asked, Yes makes Solmir current", "", {kWelcome, {kOffer, IDYES}, kFinish}, kSolmirOn},
        {"asked, No keeps the current saver", "", {kWelcome, {kOffer, IDNO}, kFinish}, kOtherOn},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ResetMachine();
        ASSERT_EQ(0u, RunToEnd(Install(row.options), row.replies));
        ExpectInstalled();
        EXPECT_EQ(row.saverAfter, CurrentSaver());
        EXPECT_EQ(kSettingsMarker, ReadDword(kUser, kProductKey, "cycle time", 0));
    }
}

// Started from Downloads beside DLLs named as those it loads (the stand-in PASSWORD.CPL, which
// counts its loads), under Windows' order (a DLL beside the program first), it loads none. Not so
// version.dll and uxtheme.dll: Wine's own user32 takes them from there as the process starts.
TEST(Installer, LoadsNoDllFromTheFolderItIsStartedFrom)
{
    ResetMachine();
    DeleteTree(kUser, "Software\\SolmirTest"); // the stand-in's count
    const std::string folder = MakeTempFolder("Downloads-"), setup = Install("");
    CopyFileA(setup.substr(1, setup.size() - 2).c_str(), (folder + "Solmir-setup.exe").c_str(),
              FALSE);
    for (const char* dll : {"userenv", "apphelp", "propsys", "dwmapi", "oleacc", "shfolder"})
    {
        CopyFileA((TestProgramFolder() + "..\\e2e\\standin\\PASSWORD.CPL").c_str(),
                  (folder + dll + ".dll").c_str(), FALSE);
        SetString(kUser, "Software\\Wine\\DllOverrides", dll, "native,builtin");
    }
    EXPECT_EQ(0u, RunToEnd("\"" + folder + "Solmir-setup.exe\" /S"));
    DeleteTree(kUser, "Software\\Wine\\DllOverrides");
    ExpectInstalled();
    EXPECT_EQ(0u, ReadDword(kUser, "Software\\SolmirTest\\Password", "loads", 0));
    RemoveFolder(folder);
}

// Several presses of "Remove Solmir" start several uninstallers at the same log-on.
void StartSecondUninstaller()
{
    EXPECT_EQ(0u, RunToEnd(kScheduled)) << "the second uninstaller did not leave";
    ExpectInstalled();
}

// Started by Windows at log-on exactly as scheduled, the uninstaller asks before it acts.
TEST(Installer, RemovalAsksUnlessSilentAndKeepsTheSettingsUnlessTold)
{
    const std::vector<Reply> keep = {{kConfirm, IDYES}, {kAskSettings, IDNO}, kRemovedNote};
    const std::vector<Reply> drop = {keep[0], {kAskSettings, IDYES}, kRemovedNote};
    const std::vector<Reply> second = {{kConfirm, IDYES, StartSecondUninstaller}, keep[1], keep[2]};
    // Installed with /SETSAVER unless another saver is to stay current.
    const struct
    {
        const char* what;
        const char* options;
        std::vector<Reply> replies;
        std::string saverAfter; // Solmir on: it was not removed
        bool settingsKept;
    } rows[] = {
        {"declined, it changes nothing", "", {{kConfirm, IDNO}}, kSolmirOn, true},
        {"confirmed twice, it removes the settings", "", drop, kNoSaver, false},
        {"confirmed, it keeps the settings, a second leaves unasked", "", second, kNoSaver, true},
        {"silent, it keeps the settings", " /S", {}, kNoSaver, true},
        {"silent, /REMOVESETTINGS removes them", " /S /REMOVESETTINGS", {}, kNoSaver, false},
        {"silent, it keeps another current saver", " /S", {}, kOtherOn, true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ResetMachine();
        ASSERT_EQ(0u, RunToEnd(Install(row.saverAfter == kOtherOn ? " /S" : " /S /SETSAVER")));
        ASSERT_EQ(0u, RunToEnd(kScheduled + row.options, row.replies));
        row.saverAfter != kSolmirOn ? ExpectRemoved() : ExpectInstalled();
        EXPECT_EQ(row.saverAfter, CurrentSaver());
        EXPECT_EQ(row.settingsKept, HasKey(kUser, kProductKey));
        EXPECT_EQ(row.settingsKept, HasKey(kUser, kVendorKey));
    }
}

} // namespace
