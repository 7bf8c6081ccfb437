// The low-frame-rate notice (dialog 2005) and the removal it schedules, run
// modally in this process against Wine's real registry. A watcher thread
// reads the dialogs and presses their buttons, as a user would.
#include "host/host.h"
#include "host_test_support.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace
{

const DWORD kWaitMs = 10000;
const char kInstallDir[] = "C:\\Program Files\\Quenwick Solmir";
const char kCommand[] = "C:\\Program Files\\Quenwick Solmir\\uninstal.exe";

INT_PTR RunNotice()
{
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), NULL,
                           FrameRateNoticeProc, 0);
}

// Runs `modal` on this thread while `watch` runs on a second one; the watcher
// finds and answers what the modal call shows.
void RunWatched(const std::function<void()>& modal, const std::function<void()>& watch)
{
    std::thread watcher(watch);
    modal();
    watcher.join();
}

class NoticeTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(NULL);
        g_hSaverWnd = NULL;
        g_fFrameRate = 2.5f;
        g_bFrameRateOk = false;
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductPath));
        // The saver host selects the product key at creation.
        RegSelectKey(NULL, kProductPath);
    }

    void TearDown() override
    {
        ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath);
        g_fFrameRate = 33.0f;
        g_bFrameRateOk = true;
    }

    // Presses "Remove Solmir" in ScheduleRemoval's place of call and returns
    // the box it showed.
    SeenBox ScheduleAndAnswer()
    {
        SeenBox seen;
        RunWatched([] { ScheduleRemoval(NULL); }, [&seen]
                   { seen = DismissMessageBox(kRemovedCaption, kNotRemovedCaption, kWaitMs); });
        return seen;
    }

    // Later value reads and writes of the run must address the product key.
    void ExpectProductKeySelected()
    {
        EXPECT_TRUE(RegWriteValue("host test", 7));
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kProductPath, 0, KEY_READ, &key));
        DWORD value = 0;
        DWORD size = sizeof(value);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "host test", NULL, NULL,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        EXPECT_EQ(7u, value);
        RegCloseKey(key);
        EXPECT_EQ(7, RegReadValue("host test", -1));
    }
};

// Dialog 2005 as the template lays it out, control by control in tab order.
TEST_F(NoticeTest, LaysOutDialog2005)
{
    HWND dialog = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), NULL,
                                     FrameRateNoticeProc, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(std::string(kNoticeTitle), WindowText(dialog));
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    const LONG expectedStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(expectedStyle, style & expectedStyle);
    EXPECT_EQ(0, style & WS_SYSMENU);
    RECT client = {0, 0, 258, 188};
    MapDialogRect(dialog, &client);
    RECT actual = {};
    GetClientRect(dialog, &actual);
    EXPECT_EQ(client.right, actual.right);
    EXPECT_EQ(client.bottom, actual.bottom);

    struct Row
    {
        int id;
        const char* className;
        LONG typeStyle; // the control's kind, from its style
        LONG typeMask;
        RECT rect; // dialog units: x, y, width, height
        const char* text;
    };
    const Row rows[] = {
        {0xFFFF, "Static", SS_ETCHEDFRAME, SS_TYPEMASK, {6, 6, 244, 176}, ""},
        {0xFFFF,
         "Static",
         SS_LEFT,
         SS_TYPEMASK,
         {17, 15, 222, 20},
         "Oops, there seems to be a problem running Solmir on your computer.  Ideally the "
         "animation should run at 30 frames per second."},
        {IDC_FRAME_RATE_TEXT,
         "Static",
         SS_LEFT,
         SS_TYPEMASK,
         {17, 36, 178, 10},
         "The current frame rate is: 2.50 frames per second."},
        {0xFFFF,
         "Static",
         SS_LEFT,
         SS_TYPEMASK,
         {17, 51, 221, 25},
         "Make sure you have the current driver software installed for your video card.  "
         "(Contact the manufacturer of your video card or your computer.)  If this doesn't help "
         "you might consider upgrading your video card."},
        {0xFFFF,
         "Static",
         SS_LEFT,
         SS_TYPEMASK,
         {17, 83, 214, 11},
         "If you wish, you can remove Solmir by clicking the button below."},
        {IDC_REMOVE_SOLMIR,
         "Button",
         BS_PUSHBUTTON,
         BS_TYPEMASK,
         {84, 97, 88, 16},
         "Remove Solmir"},
        {0xFFFF, "Static", SS_ICON, SS_TYPEMASK, {80, 125, 20, 20}, nullptr},
        {0xFFFF,
         "Static",
         SS_CENTER,
         SS_TYPEMASK,
         {99, 123, 57, 25},
         "In gratitude, joy, and love,\n\x97 Quenwick Software"},
        {0xFFFF, "Static", SS_ICON, SS_TYPEMASK, {155, 125, 20, 20}, nullptr},
        {IDOK, "Button", BS_DEFPUSHBUTTON, BS_TYPEMASK, {84, 153, 88, 18}, "OK"},
    };
    HWND child = GetWindow(dialog, GW_CHILD);
    int index = 0;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "control " << index++ << " (id " << row.id << ")");
        ASSERT_NE(nullptr, child);
        char className[32] = {};
        GetClassNameA(child, className, sizeof(className));
        EXPECT_STRCASEEQ(row.className, className);
        EXPECT_EQ(row.id, GetDlgCtrlID(child));
        EXPECT_EQ(row.typeStyle, GetWindowLongA(child, GWL_STYLE) & row.typeMask);
        // The dialog manager converts position and size separately.
        RECT expected = row.rect;
        MapDialogRect(dialog, &expected);
        RECT placed = {};
        GetWindowRect(child, &placed);
        MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(expected.left, placed.left);
        EXPECT_EQ(expected.top, placed.top);
        if (row.typeStyle != SS_ICON)
        {
            // Icon controls take the size of their icon.
            EXPECT_EQ(expected.right, placed.right - placed.left);
            EXPECT_EQ(expected.bottom, placed.bottom - placed.top);
        }
        if (row.text)
        {
            EXPECT_EQ(std::string(row.text), WindowText(child));
        }
        else
        {
            EXPECT_NE(0, SendMessageA(child, STM_GETICON, 0, 0)) << "icon 104 is shown";
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "no controls beyond the table";
    DestroyWindow(dialog);
}

TEST_F(NoticeTest, ShowsTheRateAndEndsOnOkOrEsc)
{
    struct Row
    {
        const char* name;
        float rate;
        const char* text;
        bool escape; // Esc on the keyboard rather than a press of OK
    };
    const Row rows[] = {
        {"OK", 2.5f, "The current frame rate is: 2.50 frames per second.", false},
        {"Esc", 1000.0f / 334.0f, "The current frame rate is: 2.99 frames per second.", true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        g_fFrameRate = row.rate;
        DWORD uiThread = GetCurrentThreadId();
        std::string text;
        HWND focus = NULL;
        HWND okButton = NULL;
        INT_PTR result = 0;
        RunWatched([&result] { result = RunNotice(); },
                   [&]
                   {
                       HWND notice = WaitForDialog(kNoticeTitle, kWaitMs);
                       if (!notice)
                       {
                           return;
                       }
                       text = NoticeRateText(notice, kWaitMs);
                       GUITHREADINFO info = {};
                       info.cbSize = sizeof(info);
                       GetGUIThreadInfo(uiThread, &info);
                       focus = info.hwndFocus;
                       okButton = GetDlgItem(notice, IDOK);
                       if (row.escape)
                       {
                           INPUT keys[2] = {};
                           keys[0].type = INPUT_KEYBOARD;
                           keys[0].ki.wVk = VK_ESCAPE;
                           keys[1] = keys[0];
                           keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                           SendInput(2, keys, sizeof(INPUT));
                       }
                       else
                       {
                           PressButton(notice, IDOK);
                       }
                       if (!WaitForWindowGone(notice, kWaitMs))
                       {
                           // Let the modal call end; the result shows the failure.
                           EndDialog(notice, 99);
                       }
                   });
        EXPECT_EQ(std::string(row.text), text);
        EXPECT_EQ(okButton, focus) << "the keyboard focus starts on OK";
        EXPECT_EQ(1, result);
        EXPECT_EQ(0, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath)) << "nothing scheduled";
    }
}

TEST_F(NoticeTest, RemoveSolmirAddsRunOnceEntriesUnderSuccessiveNames)
{
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", kInstallDir));
    SeenBox first;
    SeenBox second;
    bool stayedOpen = false;
    INT_PTR result = 0;
    RunWatched([&result] { result = RunNotice(); },
               [&]
               {
                   HWND notice = WaitForDialog(kNoticeTitle, kWaitMs);
                   if (!notice)
                   {
                       return;
                   }
                   PressButton(notice, IDC_REMOVE_SOLMIR);
                   first = DismissMessageBox(kRemovedCaption, kNotRemovedCaption, kWaitMs);
                   PressButton(notice, IDC_REMOVE_SOLMIR);
                   second = DismissMessageBox(kRemovedCaption, kNotRemovedCaption, kWaitMs);
                   stayedOpen = IsWindow(notice) && IsWindowVisible(notice);
                   PressButton(notice, IDOK);
                   if (!WaitForWindowGone(notice, kWaitMs))
                   {
                       EndDialog(notice, 99);
                   }
               });
    EXPECT_EQ(std::string(kRemovedCaption), first.caption);
    EXPECT_EQ(std::string(kRemovedText), first.text);
    EXPECT_EQ(std::string(kRemovedCaption), second.caption);
    EXPECT_TRUE(stayedOpen) << "the notice stays open after scheduling";
    EXPECT_EQ(1, result);
    EXPECT_EQ(std::string(kCommand), GetString(HKEY_LOCAL_MACHINE, kRunOncePath, "kill_saver"));
    EXPECT_EQ(std::string(kCommand), GetString(HKEY_LOCAL_MACHINE, kRunOncePath, "kill_saver1"));
    EXPECT_EQ(2, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath));
    ExpectProductKeySelected();
}

// Which name the new entry gets, given what the run-once list holds already.
TEST_F(NoticeTest, TakesTheFirstFreeRunOnceName)
{
    struct Existing
    {
        const char* name;
        std::string text;
    };
    struct Row
    {
        const char* name;
        std::vector<Existing> existing;
        const char* expected;
        int valuesAfter;
    };
    const std::string overLong(REMOVAL_TEXT_SIZE + 44, 'x');
    const Row rows[] = {
        {"an empty list", {}, "kill_saver", 1},
        {"two taken", {{"kill_saver", "a"}, {"kill_saver1", "b"}}, "kill_saver2", 3},
        {"an empty value counts as free", {{"kill_saver", ""}}, "kill_saver", 1},
        {"a gap", {{"kill_saver", "a"}, {"kill_saver2", "c"}}, "kill_saver1", 3},
        {"a value too long to read is taken",
         {{"kill_saver", "a"}, {"kill_saver1", overLong}},
         "kill_saver2",
         3},
        {"other entries do not matter", {{"other", "x"}, {"kill_saver0", "y"}}, "kill_saver", 3},
    };
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", kInstallDir));
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        for (const Existing& value : row.existing)
        {
            ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kRunOncePath, value.name, value.text));
        }
        SeenBox seen = ScheduleAndAnswer();
        EXPECT_EQ(std::string(kRemovedCaption), seen.caption);
        EXPECT_EQ(std::string(kCommand), GetString(HKEY_LOCAL_MACHINE, kRunOncePath, row.expected));
        for (const Existing& value : row.existing)
        {
            if (value.text.empty() && std::string(value.name) == row.expected)
            {
                continue;
            }
            EXPECT_EQ(value.text, GetString(HKEY_LOCAL_MACHINE, kRunOncePath, value.name))
                << value.name << " is left as it was";
        }
        EXPECT_EQ(row.valuesAfter, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath));
        ExpectProductKeySelected();
    }
}

// Nothing is scheduled, and the user is told so rather than told otherwise.
TEST_F(NoticeTest, RefusesWhatItCannotScheduleAndSaysSo)
{
    struct Row
    {
        const char* name;
        bool hasInstallDir;
        std::string installDir;
        bool unwritableRunOnce;
        bool allNamesTaken;
        const char* writtenName; // null when nothing may be written
        std::string command;
    };
    const std::string longest(REMOVAL_TEXT_SIZE - sizeof(UNINSTALLER_SUFFIX), 'd'); // 342
    const Row rows[] = {
        {"the longest folder that fits", true, longest, false, false, "kill_saver",
         longest + "\\uninstal.exe"},
        {"a folder too long for the command", true, longest + "e", false, false, nullptr, ""},
        {"a folder too long to read", true, std::string(400, 'f'), false, false, nullptr, ""},
        {"no installation folder", false, "", false, false, nullptr, ""},
        {"an empty installation folder", true, "", false, false, nullptr, ""},
        {"a run-once list that cannot be written", true, kInstallDir, true, false, nullptr, ""},
        {"every run-once name taken", true, kInstallDir, false, true, nullptr, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        if (row.hasInstallDir)
        {
            ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", row.installDir));
        }
        int valuesBefore = 0;
        if (row.allNamesTaken)
        {
            HKEY key = NULL;
            ASSERT_EQ(ERROR_SUCCESS,
                      RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, KEY_SET_VALUE, &key));
            for (int i = 0; i <= RUN_ONCE_NAME_LIMIT; ++i)
            {
                char name[RUN_ONCE_NAME_SIZE];
                ASSERT_TRUE(FormatRunOnceName(name, sizeof(name), i));
                RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("taken"), 6);
            }
            RegCloseKey(key);
            valuesBefore = RUN_ONCE_NAME_LIMIT + 1;
        }
        if (row.unwritableRunOnce)
        {
            ASSERT_TRUE(MakeUnwritableLink(kRunOncePath));
            // The store cannot open it: the set-up itself shows that.
            HKEY key = NULL;
            ASSERT_NE(ERROR_SUCCESS,
                      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, NULL,
                                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL));
        }

        SeenBox seen = ScheduleAndAnswer();

        if (row.unwritableRunOnce)
        {
            EXPECT_FALSE(UnreachableTargetExists()) << "nothing written through the link";
            ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        }
        if (row.writtenName)
        {
            EXPECT_EQ(std::string(kRemovedCaption), seen.caption);
            EXPECT_EQ(row.command, GetString(HKEY_LOCAL_MACHINE, kRunOncePath, row.writtenName));
            EXPECT_EQ(1, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath));
        }
        else
        {
            EXPECT_EQ(std::string(kNotRemovedCaption), seen.caption);
            EXPECT_EQ(std::string(kNotRemovedText), seen.text);
            EXPECT_EQ(valuesBefore, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath))
                << "nothing written";
        }
        ExpectProductKeySelected();
    }
}

} // namespace
