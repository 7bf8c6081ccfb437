// End to end: Solmir-setup.exe installs into this Wine prefix, the installed saver runs from
// the system folder, and the uninstaller started the way the saver schedules it
// (<install_dir>\uninstal.exe, no quotes, no arguments) leaves nothing of the product behind.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>

namespace
{

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kVendorKey[] = "Software\\Quenwick";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Solmir";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kDesktopKey[] = "Control Panel\\Desktop";
const DWORD kTimeoutMs = 60000;
const DWORD kSettingsMarker = 42; // "cycle time" the user chose before installing

const char kConfirmRemoval[] = "Do you want to remove Quenwick Software Solmir from your computer?";
const char kAskSettings[] = "Do you also want to remove your Solmir settings";
const char kRemovedNote[] = "Quenwick Software Solmir was removed from your computer.";
const char kWelcomePage[] = "Setup will install the Solmir screen saver on your computer.";
const char kOfferSaver[] = "Do you want to make Solmir your screen saver now?";
const char kFinishPage[] = "Quenwick Software Solmir has been installed on your computer.";

// ---- Processes: the uninstaller copies itself to the temporary folder, starts the copy and
// exits at once, so a run is waited for as a job holding every process it starts.

struct ProcessTree
{
    HANDLE hJob = NULL;
    HANDLE hProcess = NULL;
    ~ProcessTree()
    {
        if (hJob != NULL)
        {
            TerminateJobObject(hJob, 1); // a failed test leaves no installer waiting
            CloseHandle(hJob);
        }
        if (hProcess != NULL)
        {
            CloseHandle(hProcess);
        }
    }
};

bool StartTree(const std::string& commandLine, ProcessTree* tree)
{
    // Wine starts its desktop process when a program first needs it; started by the installer
    // it would land in the job and never end.
    GetDesktopWindow();
    tree->hJob = CreateJobObjectA(NULL, NULL);
    std::string buffer = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Suspended, so the first process is in the job before it can start another.
    if (tree->hJob == NULL || !CreateProcessA(NULL, &buffer[0], NULL, NULL, FALSE, CREATE_SUSPENDED,
                                              NULL, NULL, &startup, &process))
    {
        return false;
    }
    tree->hProcess = process.hProcess;
    bool assigned = AssignProcessToJobObject(tree->hJob, process.hProcess) != FALSE;
    if (!assigned)
    {
        TerminateProcess(process.hProcess, 1);
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return assigned;
}

// True once every process of the tree has ended.
bool WaitTree(const ProcessTree& tree, DWORD timeoutMs)
{
    return WaitUntil(
        [&]
        {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
            return QueryInformationJobObject(tree.hJob, JobObjectBasicAccountingInformation, &info,
                                             sizeof(info), NULL) &&
                   info.ActiveProcesses == 0;
        },
        timeoutMs);
}

DWORD RunTree(const std::string& commandLine)
{
    ProcessTree tree;
    DWORD code = STILL_ACTIVE;
    if (StartTree(commandLine, &tree) && WaitTree(tree, kTimeoutMs))
    {
        GetExitCodeProcess(tree.hProcess, &code);
    }
    return code;
}

// A shown dialog (a message box, a wizard page) with a control whose text holds `fragment`.
HWND FindDialogWithText(const char* fragment)
{
    struct Search
    {
        const char* fragment;
        HWND candidate;
        HWND found;
    } search = {fragment, NULL, NULL};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL
        {
            Search* s = reinterpret_cast<Search*>(lParam);
            if (!IsWindowVisible(hwnd) || WindowClass(hwnd) != "#32770")
            {
                return TRUE;
            }
            s->candidate = hwnd;
            // All descendants: a wizard's texts sit on a page inside the outer dialog.
            EnumChildWindows(
                hwnd,
                [](HWND child, LPARAM lParam) -> BOOL
                {
                    Search* s = reinterpret_cast<Search*>(lParam);
                    if (WindowTitle(child).find(s->fragment) == std::string::npos)
                    {
                        return TRUE;
                    }
                    s->found = s->candidate;
                    return FALSE;
                },
                lParam);
            return s->found == NULL;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(const char* fragment)
{
    HWND dialog = NULL;
    WaitUntil([&] { return (dialog = FindDialogWithText(fragment)) != NULL; }, kTimeoutMs);
    return dialog;
}

// What a click on the button sends to the dialog; a wizard's Next and Finish are IDOK.
bool Press(HWND dialog, int buttonId)
{
    HWND button = dialog != NULL ? GetDlgItem(dialog, buttonId) : NULL;
    return button != NULL && PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(button));
}

bool Answer(const char* fragment, int buttonId)
{
    return Press(WaitForDialog(fragment), buttonId);
}

// ---- The machine

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

std::string SetupPath()
{
    return FolderOf(SolmirScrPath()) + "\\Solmir-setup.exe";
}

// A 64-bit process sees the real System32, where the installer must have put the saver.
std::string InstalledScrPath()
{
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, sizeof(dir));
    return std::string(dir) + "\\Solmir.scr";
}

std::string InstallDir()
{
    char dir[MAX_PATH] = {};
    SHGetFolderPathA(NULL, CSIDL_PROGRAM_FILES, NULL, 0, dir);
    return std::string(dir) + "\\Quenwick\\Solmir";
}

// The 64-bit saver would never find a key the installer wrote to the 32-bit view.
bool HasKey(HKEY root, const char* path, REGSAM view = 0)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string Text(HKEY root, const char* path, const char* name)
{
    std::string text = "<missing>";
    ReadString(root, path, name, &text);
    return text;
}

bool HasUserSettings()
{
    return ReadDword(HKEY_CURRENT_USER, kProductKey, "cycle time", 0) == kSettingsMarker;
}

// The command line the saver writes into the run-once list.
std::string ScheduledRemoval()
{
    return Text(HKEY_LOCAL_MACHINE, kProductKey, "install_dir") + "\\uninstal.exe";
}

// A machine without Solmir, where the user has Solmir settings from an earlier installation
// and no current screen saver.
void ResetMachine()
{
    DeleteFileA(InstalledScrPath().c_str());
    DeleteFileA((InstallDir() + "\\uninstal.exe").c_str());
    RemoveDirectoryA(InstallDir().c_str());
    RemoveDirectoryA(FolderOf(InstallDir()).c_str());
    ASSERT_FALSE(FileExists(InstalledScrPath()));
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    {
        for (const char* path : {kProductKey, kVendorKey, kUninstallKey})
        {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, view, 0);
        }
        ASSERT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kVendorKey, view));
    }
    for (const char* name : {"kill_saver", "kill_saver1", "kill_saver2"})
    {
        DeleteValue(HKEY_LOCAL_MACHINE, kRunOnceKey, name);
    }
    DeleteTree(HKEY_CURRENT_USER, kVendorKey);
    SetDword(HKEY_CURRENT_USER, kProductKey, "cycle time", kSettingsMarker);
    DeleteValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE");
    SetString(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive", "0");
}

void InstallSilently(const std::string& options)
{
    ASSERT_TRUE(FileExists(SetupPath())) << SetupPath();
    ASSERT_EQ(0u, RunTree("\"" + SetupPath() + "\" /S" + options));
}

void ExpectInstalled()
{
    const std::string dir = InstallDir();
    EXPECT_TRUE(FileExists(InstalledScrPath()));
    EXPECT_EQ(dir, Text(HKEY_LOCAL_MACHINE, kProductKey, "install_dir"));
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY));
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
    const struct
    {
        const char* value;
        std::string expected;
    } rows[] = {
        {"DisplayName", "Quenwick Software Solmir"},
        {"DisplayVersion", "1.0.1.1"},
        {"Publisher", "Quenwick Software"},
        {"DisplayIcon", InstalledScrPath() + ",0"},
        {"InstallLocation", dir},
        {"UninstallString", "\"" + dir + "\\uninstal.exe\""},
        {"QuietUninstallString", "\"" + dir + "\\uninstal.exe\" /S"},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.expected, Text(HKEY_LOCAL_MACHINE, kUninstallKey, row.value)) << row.value;
    }
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", 0));
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", 0));
    std::string scr;
    std::string uninstaller;
    ASSERT_TRUE(ReadFileBytes(InstalledScrPath(), &scr));
    ASSERT_TRUE(ReadFileBytes(dir + "\\uninstal.exe", &uninstaller));
    const double kb = (scr.size() + uninstaller.size()) / 1024.0;
    EXPECT_NEAR(kb, ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", 0), 2.0);
}

void ExpectRemoved()
{
    EXPECT_FALSE(FileExists(InstalledScrPath()));
    EXPECT_FALSE(FileExists(FolderOf(InstallDir()))) << "the Quenwick folder";
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    {
        EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kVendorKey, view));
        EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kUninstallKey, view));
    }
}

TEST(Installer, SilentInstallPlacesSaverUninstallerAndKeys)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));
    ExpectInstalled();
    EXPECT_EQ(InstalledScrPath(), Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
    EXPECT_EQ("1", Text(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"));
    EXPECT_TRUE(HasUserSettings());
    std::string built;
    std::string installed;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &built));
    ASSERT_TRUE(ReadFileBytes(InstalledScrPath(), &installed));
    EXPECT_TRUE(built == installed) << "the installed saver differs from the built one";
    // The saver starts from its installed place: a switch it does not know ends it with -1.
    EXPECT_EQ(static_cast<DWORD>(-1), RunTree("\"" + InstalledScrPath() + "\" /x"));
}

// Run by hand, the installer asks whether Solmir becomes the current screen saver.
TEST(Installer, InteractiveInstallOffersToMakeSolmirCurrent)
{
    for (int answer : {IDYES, IDNO})
    {
        SCOPED_TRACE(answer == IDYES ? "accepted" : "declined");
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ProcessTree tree;
        ASSERT_TRUE(StartTree("\"" + SetupPath() + "\"", &tree));
        EXPECT_TRUE(Answer(kWelcomePage, IDOK)); // Next, which installs
        EXPECT_TRUE(Answer(kOfferSaver, answer));
        EXPECT_TRUE(Answer(kFinishPage, IDOK));
        EXPECT_TRUE(WaitTree(tree, kTimeoutMs));
        ExpectInstalled();
        EXPECT_EQ(answer == IDYES ? InstalledScrPath() : "<missing>",
                  Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
        EXPECT_EQ(answer == IDYES ? "1" : "0",
                  Text(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"));
    }
}

TEST(Installer, SilentInstallAndRemovalKeepAnotherCurrentSaver)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    const char otherSaver[] = "C:\\windows\\system32\\Other.scr";
    SetString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", otherSaver);
    ASSERT_NO_FATAL_FAILURE(InstallSilently(""));
    ExpectInstalled();
    EXPECT_EQ(otherSaver, Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
    ASSERT_EQ(0u, RunTree(ScheduledRemoval() + " /S"));
    ExpectRemoved();
    EXPECT_EQ(otherSaver, Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
    EXPECT_TRUE(HasUserSettings());
}

// Two presses of "Remove Solmir" were made and another program has its own run-once entry:
// the removal takes both of its own entries, leaves the other, and keeps the user's
// settings unless asked to take them.
TEST(Installer, ScheduledSilentRemovalLeavesNothingOfTheProduct)
{
    for (bool removeSettings : {false, true})
    {
        SCOPED_TRACE(removeSettings ? "/REMOVESETTINGS" : "settings kept");
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));
        const char foreign[] = "C:\\Tools\\cleanup.exe";
        SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver", ScheduledRemoval().c_str());
        SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver1", foreign);
        SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver2", ScheduledRemoval().c_str());

        ASSERT_EQ(0u,
                  RunTree(ScheduledRemoval() + (removeSettings ? " /S /REMOVESETTINGS" : " /S")));

        ExpectRemoved();
        EXPECT_EQ("<missing>", Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
        EXPECT_EQ("0", Text(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"));
        EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver"));
        EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver2"));
        EXPECT_EQ(foreign, Text(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver1"));
        EXPECT_EQ(!removeSettings, HasUserSettings());
        EXPECT_EQ(!removeSettings, HasKey(HKEY_CURRENT_USER, kVendorKey));
    }
}

// Started by Windows at log-on exactly as scheduled, the uninstaller asks before it acts.
TEST(Installer, ScheduledRemovalAsksTheUser)
{
    const struct
    {
        const char* name;
        int removeAnswer;
        int settingsAnswer; // 0: not asked
    } rows[] = {
        {"declined", IDNO, 0},
        {"removed, settings kept", IDYES, IDNO},
        {"removed with the settings", IDYES, IDYES},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));
        ProcessTree tree;
        ASSERT_TRUE(StartTree(ScheduledRemoval(), &tree));
        EXPECT_TRUE(Answer(kConfirmRemoval, row.removeAnswer));
        if (row.settingsAnswer != 0)
        {
            EXPECT_TRUE(Answer(kAskSettings, row.settingsAnswer));
            EXPECT_TRUE(Answer(kRemovedNote, IDOK));
        }
        EXPECT_TRUE(WaitTree(tree, kTimeoutMs));
        if (row.removeAnswer == IDYES)
        {
            ExpectRemoved();
        }
        else
        {
            ExpectInstalled();
        }
        EXPECT_EQ(row.removeAnswer == IDYES ? "<missing>" : InstalledScrPath(),
                  Text(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
        EXPECT_EQ(row.settingsAnswer != IDYES, HasUserSettings());
    }
}

// Several presses of "Remove Solmir" start several uninstallers at the same log-on; only the
// first asks, the others leave without a word.
TEST(Installer, SecondScheduledRemovalLeavesWhileTheFirstAsks)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));
    ProcessTree first;
    ASSERT_TRUE(StartTree(ScheduledRemoval(), &first));
    HWND question = WaitForDialog(kConfirmRemoval);
    ASSERT_TRUE(question != NULL);
    {
        ProcessTree second;
        ASSERT_TRUE(StartTree(ScheduledRemoval(), &second));
        EXPECT_TRUE(WaitTree(second, 15000)) << "the second uninstaller is still running";
    }
    ExpectInstalled();
    EXPECT_TRUE(Press(question, IDYES));
    EXPECT_TRUE(Answer(kAskSettings, IDNO));
    EXPECT_TRUE(Answer(kRemovedNote, IDOK));
    EXPECT_TRUE(WaitTree(first, kTimeoutMs));
    ExpectRemoved();
    EXPECT_TRUE(HasUserSettings());
}

} // namespace
