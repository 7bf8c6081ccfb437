// End to end: Solmir-setup.exe installs silently into this Wine prefix, the installed saver
// runs from the system folder, and the uninstaller started the way the saver schedules it
// (<install_dir>\uninstal.exe, no quotes, no arguments) leaves nothing of the product behind.
#include "registry_probe.h"
#include "setup_process.h"
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
const REGSAM kView64 = KEY_WOW64_64KEY;
const REGSAM kView32 = KEY_WOW64_32KEY;
const DWORD kTimeoutMs = 60000;
const DWORD kSettingsMarker = 42; // "cycle time" the user chose before installing

// The uninstaller's questions and its closing message, as the user reads them.
const char kConfirmRemoval[] = "Do you want to remove Quenwick Software Solmir from your computer?";
const char kAskSettings[] = "Do you also want to remove your Solmir settings";
const char kRemovedNote[] = "Quenwick Software Solmir was removed from your computer.";
// The installer's pages and its question.
const char kWelcomePage[] = "Setup will install the Solmir screen saver on your computer.";
const char kOfferSaver[] = "Do you want to make Solmir your screen saver now?";
const char kFinishPage[] = "Quenwick Software Solmir has been installed on your computer.";

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
    char dir[MAX_PATH];
    memset(dir, 0, sizeof(dir));
    GetSystemDirectoryA(dir, sizeof(dir));
    return std::string(dir) + "\\Solmir.scr";
}

std::string ProgramFilesDir()
{
    char dir[MAX_PATH];
    memset(dir, 0, sizeof(dir));
    SHGetFolderPathA(NULL, CSIDL_PROGRAM_FILES, NULL, 0, dir);
    return dir;
}

std::string ExpectedInstallDir()
{
    return ProgramFilesDir() + "\\Quenwick\\Solmir";
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string UserSetting(const char* value)
{
    std::string text;
    ReadRegText(HKEY_CURRENT_USER, kDesktopKey, value, 0, &text);
    return text;
}

bool HasUserSettings()
{
    DWORD cycle = 0;
    return ReadRegNumber(HKEY_CURRENT_USER, kProductKey, "cycle time", 0, &cycle) &&
           cycle == kSettingsMarker;
}

// The command line the saver writes into the run-once list.
std::string ScheduledRemovalCommand()
{
    std::string dir;
    ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "install_dir", kView64, &dir);
    return dir + "\\uninstal.exe";
}

// Each test starts from a machine without Solmir, where the user has Solmir settings from
// an earlier installation and no current screen saver.
void ResetMachine()
{
    std::string dir = ExpectedInstallDir();
    DeleteFileA(InstalledScrPath().c_str());
    DeleteFileA((dir + "\\uninstal.exe").c_str());
    RemoveDirectoryA(dir.c_str());
    RemoveDirectoryA(FolderOf(dir).c_str());
    ASSERT_FALSE(FileExists(InstalledScrPath()));
    ASSERT_FALSE(FileExists(dir));

    for (REGSAM view : {kView64, kView32})
    {
        ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey, view));
        ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallKey, view));
    }
    for (const char* name : {"kill_saver", "kill_saver1", "kill_saver2"})
    {
        DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnceKey, name);
    }
    ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kVendorKey, 0));
    ASSERT_TRUE(WriteRegNumber(HKEY_CURRENT_USER, kProductKey, "cycle time", kSettingsMarker));
    DeleteRegValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE");
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive", "0"));
}

void InstallSilently(const std::string& options)
{
    ASSERT_TRUE(FileExists(SetupPath())) << SetupPath();
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(RunProcessTree("\"" + SetupPath() + "\" /S" + options, kTimeoutMs, &exitCode));
    ASSERT_EQ(0u, exitCode);
}

// Runs the scheduled command with extra arguments, for a removal without questions.
void RemoveSilently(const std::string& arguments)
{
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(RunProcessTree(ScheduledRemovalCommand() + arguments, kTimeoutMs, &exitCode));
    ASSERT_EQ(0u, exitCode);
}

void ExpectInstalled()
{
    std::string dir = ExpectedInstallDir();
    EXPECT_TRUE(FileExists(InstalledScrPath()));
    EXPECT_TRUE(FileExists(dir + "\\uninstal.exe"));

    std::string installDir;
    EXPECT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "install_dir", kView64, &installDir));
    EXPECT_EQ(dir, installDir);
    // The 64-bit saver would never find a value written to the 32-bit view.
    EXPECT_FALSE(HasRegKey(HKEY_LOCAL_MACHINE, kProductKey, kView32));
    EXPECT_FALSE(HasRegKey(HKEY_LOCAL_MACHINE, kUninstallKey, kView32));

    struct TextRow
    {
        const char* value;
        std::string expected;
    };
    const TextRow textRows[] = {
        {"DisplayName", "Quenwick Software Solmir"},
        {"DisplayVersion", "1.0.1.1"},
        {"Publisher", "Quenwick Software"},
        {"DisplayIcon", InstalledScrPath() + ",0"},
        {"InstallLocation", dir},
        {"UninstallString", "\"" + dir + "\\uninstal.exe\""},
        {"QuietUninstallString", "\"" + dir + "\\uninstal.exe\" /S"},
    };
    for (const TextRow& row : textRows)
    {
        std::string text;
        EXPECT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, row.value, kView64, &text))
            << row.value;
        EXPECT_EQ(row.expected, text) << row.value;
    }
    for (const char* value : {"NoModify", "NoRepair"})
    {
        DWORD number = 0;
        EXPECT_TRUE(ReadRegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, value, kView64, &number))
            << value;
        EXPECT_EQ(1u, number) << value;
    }
    std::string scr;
    std::string uninstaller;
    ASSERT_TRUE(ReadFileBytes(InstalledScrPath(), &scr));
    ASSERT_TRUE(ReadFileBytes(dir + "\\uninstal.exe", &uninstaller));
    DWORD sizeKb = 0;
    EXPECT_TRUE(
        ReadRegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", kView64, &sizeKb));
    EXPECT_GE(sizeKb, (scr.size() + uninstaller.size()) / 1024 - 2);
    EXPECT_LE(sizeKb, (scr.size() + uninstaller.size()) / 1024 + 2);
}

void ExpectRemoved()
{
    std::string dir = ExpectedInstallDir();
    EXPECT_FALSE(FileExists(InstalledScrPath()));
    EXPECT_FALSE(FileExists(dir + "\\uninstal.exe"));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(FolderOf(dir))) << "the empty Quenwick folder";
    for (REGSAM view : {kView64, kView32})
    {
        EXPECT_FALSE(HasRegKey(HKEY_LOCAL_MACHINE, kProductKey, view));
        EXPECT_FALSE(HasRegKey(HKEY_LOCAL_MACHINE, kVendorKey, view));
        EXPECT_FALSE(HasRegKey(HKEY_LOCAL_MACHINE, kUninstallKey, view));
    }
}

TEST(Installer, SilentInstallPlacesSaverUninstallerAndKeys)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));

    ExpectInstalled();
    EXPECT_EQ(InstalledScrPath(), UserSetting("SCRNSAVE.EXE"));
    EXPECT_EQ("1", UserSetting("ScreenSaveActive"));
    EXPECT_TRUE(HasUserSettings());

    std::string built;
    std::string installed;
    ASSERT_TRUE(ReadFileBytes(SolmirScrPath(), &built));
    ASSERT_TRUE(ReadFileBytes(InstalledScrPath(), &installed));
    EXPECT_TRUE(built == installed) << "the installed saver differs from the built one";

    // The saver starts from its installed place: a switch it does not know ends it with -1.
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(RunProcessTree("\"" + InstalledScrPath() + "\" /x", kTimeoutMs, &exitCode));
    EXPECT_EQ(static_cast<DWORD>(-1), exitCode);
}

// Run by hand, the installer asks whether Solmir becomes the current screen saver.
TEST(Installer, InteractiveInstallOffersToMakeSolmirCurrent)
{
    struct Row
    {
        const char* name;
        int answer;
        bool current;
    };
    const Row rows[] = {
        {"accepted", IDYES, true},
        {"declined", IDNO, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());

        ProcessTree tree = {};
        ASSERT_TRUE(StartProcessTree("\"" + SetupPath() + "\"", &tree));
        EXPECT_TRUE(AnswerDialog(kWelcomePage, IDOK, kTimeoutMs)); // Next, which installs
        EXPECT_TRUE(AnswerDialog(kOfferSaver, row.answer, kTimeoutMs));
        EXPECT_TRUE(AnswerDialog(kFinishPage, IDOK, kTimeoutMs)); // Finish
        EXPECT_TRUE(WaitProcessTree(tree, kTimeoutMs));
        EXPECT_EQ(0u, GetTreeExitCode(tree));
        CloseProcessTree(&tree);

        ExpectInstalled();
        EXPECT_EQ(row.current, HasRegValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", 0));
        EXPECT_EQ(row.current ? "1" : "0", UserSetting("ScreenSaveActive"));
    }
}

TEST(Installer, SilentInstallWithoutSetSaverKeepsTheCurrentSaver)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    const std::string otherSaver = "C:\\windows\\system32\\Other.scr";
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", otherSaver));
    ASSERT_NO_FATAL_FAILURE(InstallSilently(""));

    ExpectInstalled();
    EXPECT_EQ(otherSaver, UserSetting("SCRNSAVE.EXE"));
    EXPECT_EQ("0", UserSetting("ScreenSaveActive"));

    // Removing Solmir must not touch a current saver that is not Solmir.
    ASSERT_NO_FATAL_FAILURE(RemoveSilently(" /S"));
    ExpectRemoved();
    EXPECT_EQ(otherSaver, UserSetting("SCRNSAVE.EXE"));
    EXPECT_TRUE(HasUserSettings());
}

// Two presses of "Remove Solmir" were made and another program has its own run-once entry:
// the removal takes both of its own entries, leaves the other, and keeps the user's
// settings unless asked to take them.
TEST(Installer, ScheduledSilentRemovalLeavesNothingOfTheProduct)
{
    const struct
    {
        const char* arguments;
        bool settingsKept;
    } rows[] = {{" /S", true}, {" /S /REMOVESETTINGS", false}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.arguments);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));
        const std::string foreign = "C:\\Tools\\cleanup.exe";
        const std::string scheduled = ScheduledRemovalCommand();
        ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver", scheduled));
        ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver1", foreign));
        ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver2", scheduled));

        ASSERT_NO_FATAL_FAILURE(RemoveSilently(row.arguments));

        ExpectRemoved();
        EXPECT_FALSE(HasRegValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", 0));
        EXPECT_EQ("0", UserSetting("ScreenSaveActive"));
        EXPECT_FALSE(HasRegValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver", 0));
        EXPECT_FALSE(HasRegValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver2", 0));
        std::string kept;
        EXPECT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, "kill_saver1", 0, &kept));
        EXPECT_EQ(foreign, kept);
        EXPECT_EQ(row.settingsKept, HasUserSettings());
        EXPECT_EQ(row.settingsKept, HasRegKey(HKEY_CURRENT_USER, kVendorKey, 0));
    }
}

// Started by Windows at log-on exactly as scheduled, the uninstaller asks before it acts.
TEST(Installer, ScheduledRemovalAsksTheUser)
{
    struct Row
    {
        const char* name;
        int removeAnswer;
        int settingsAnswer; // 0: not asked
        bool removed;
        bool settingsKept;
    };
    const Row rows[] = {
        {"declined", IDNO, 0, false, true},
        {"removed, settings kept", IDYES, IDNO, true, true},
        {"removed with the settings", IDYES, IDYES, true, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(ResetMachine());
        ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));

        ProcessTree tree = {};
        ASSERT_TRUE(StartProcessTree(ScheduledRemovalCommand(), &tree));
        EXPECT_TRUE(AnswerDialog(kConfirmRemoval, row.removeAnswer, kTimeoutMs));
        if (row.settingsAnswer != 0)
        {
            EXPECT_TRUE(AnswerDialog(kAskSettings, row.settingsAnswer, kTimeoutMs));
        }
        if (row.removed)
        {
            EXPECT_TRUE(AnswerDialog(kRemovedNote, IDOK, kTimeoutMs));
        }
        EXPECT_TRUE(WaitProcessTree(tree, kTimeoutMs));
        CloseProcessTree(&tree);

        if (row.removed)
        {
            ExpectRemoved();
            EXPECT_FALSE(HasRegValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", 0));
        }
        else
        {
            ExpectInstalled();
            EXPECT_EQ(InstalledScrPath(), UserSetting("SCRNSAVE.EXE"));
        }
        EXPECT_EQ(row.settingsKept, HasUserSettings());
    }
}

// Several presses of "Remove Solmir" start several uninstallers at the same log-on; only the
// first asks, the others leave without a word.
TEST(Installer, SecondScheduledRemovalLeavesWhileTheFirstAsks)
{
    ASSERT_NO_FATAL_FAILURE(ResetMachine());
    ASSERT_NO_FATAL_FAILURE(InstallSilently(" /SETSAVER"));

    ProcessTree first = {};
    ASSERT_TRUE(StartProcessTree(ScheduledRemovalCommand(), &first));
    HWND hQuestion = WaitForDialog(kConfirmRemoval, kTimeoutMs);
    ASSERT_TRUE(hQuestion != NULL);

    ProcessTree second = {};
    ASSERT_TRUE(StartProcessTree(ScheduledRemovalCommand(), &second));
    EXPECT_TRUE(WaitProcessTree(second, 15000)) << "the second uninstaller is still running";
    CloseProcessTree(&second);
    ExpectInstalled();

    EXPECT_TRUE(PressDialogButton(hQuestion, IDYES));
    EXPECT_TRUE(AnswerDialog(kAskSettings, IDNO, kTimeoutMs));
    EXPECT_TRUE(AnswerDialog(kRemovedNote, IDOK, kTimeoutMs));
    EXPECT_TRUE(WaitProcessTree(first, kTimeoutMs));
    CloseProcessTree(&first);
    ExpectRemoved();
    EXPECT_TRUE(HasUserSettings());
}

} // namespace
