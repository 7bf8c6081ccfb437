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
#include <wchar.h>

namespace
{

const DWORD kWaitMs = 10000;
const char kInstallDir[] = "C:\\Program Files\\Quenwick Solmir";
const char kCommand[] = "C:\\Program Files\\Quenwick Solmir\\uninstal.exe";

// Runs `modal` on this thread while `watch`, on a second one, answers it.
void RunWatched(const std::function<void()>& modal, const std::function<void()>& watch)
{
    std::thread watcher(watch);
    modal();
    watcher.join();
}

// Replaces the run-once key by a volatile symbolic link to a key that cannot
// be created: a non-volatile key cannot be created below a volatile one.
bool MakeRunOnceUnwritable()
{
    const char parent[] = "Software\\SolmirHostTestVolatile";
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\SolmirHostTestVolatile\\Unreachable";
    HKEY key = NULL;
    if (!DeleteKey(HKEY_LOCAL_MACHINE, parent) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, parent, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    if (!DeleteKey(HKEY_LOCAL_MACHINE, kRunOncePath) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, NULL,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    // The link's target is stored without a terminator.
    LONG status = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                                 reinterpret_cast<const BYTE*>(target),
                                 static_cast<DWORD>(wcslen(target) * sizeof(wchar_t)));
    RegCloseKey(key);
    // The store itself cannot open it now.
    return status == ERROR_SUCCESS &&
           RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                           NULL) != ERROR_SUCCESS;
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
        SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", kInstallDir);
        // The saver host selects the product key at creation.
        RegSelectKey(NULL, kProductPath);
    }

    void TearDown() override
    {
        ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath);
        g_fFrameRate = PROBE_UNMEASURED_RATE;
        g_bFrameRateOk = true;
    }

    // "Remove Solmir" pressed: the box it showed, answered.
    SeenBox ScheduleAndAnswer()
    {
        SeenBox seen;
        RunWatched([] { ScheduleRemoval(NULL); }, [&seen] { seen = DismissRemovalBox(kWaitMs); });
        return seen;
    }

    // Later value reads and writes of the run must address the product key.
    void ExpectProductKeySelected()
    {
        EXPECT_TRUE(RegWriteValue("host test", 7));
        EXPECT_EQ(7u, ReadDword(HKEY_CURRENT_USER, kProductPath, "host test", 0));
    }
};

// Dialog 2005 control by control in tab order, as the user sees it.
TEST_F(NoticeTest, LaysOutDialog2005)
{
    HWND dialog = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), NULL,
                                     FrameRateNoticeProc, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kNoticeTitle, WindowTitle(dialog));
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    const LONG frame = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(frame, style & (frame | WS_SYSMENU)) << "no system menu";
    RECT expected = {0, 0, 258, 188};
    MapDialogRect(dialog, &expected);
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_TRUE(EqualRect(&expected, &client));

    const struct
    {
        int id;
        LONG kind;        // SS_* for statics, BS_* for buttons
        RECT rect;        // dialog units: x, y, width, height
        const char* text; // null for the icons
    } rows[] = {
        {0xFFFF, SS_ETCHEDFRAME, {6, 6, 244, 176}, ""},
        {0xFFFF,
         SS_LEFT,
         {17, 15, 222, 20},
         "Oops, there seems to be a problem running Solmir on your computer.  Ideally the "
         "animation should run at 30 frames per second."},
        {IDC_FRAME_RATE_TEXT,
         SS_LEFT,
         {17, 36, 178, 10},
         "The current frame rate is: 2.50 frames per second."},
        {0xFFFF,
         SS_LEFT,
         {17, 51, 221, 25},
         "Make sure you have the current driver software installed for your video card.  "
         "(Contact the manufacturer of your video card or your computer.)  If this doesn't help "
         "you might consider upgrading your video card."},
        {0xFFFF,
         SS_LEFT,
         {17, 83, 214, 11},
         "If you wish, you can remove Solmir by clicking the button below."},
        {IDC_REMOVE_SOLMIR, BS_PUSHBUTTON, {84, 97, 88, 16}, "Remove Solmir"},
        {0xFFFF, SS_ICON, {80, 125, 20, 20}, nullptr},
        {0xFFFF,
         SS_CENTER,
         {99, 123, 57, 25},
         "In gratitude, joy, and love,\n\x97 Quenwick Software"},
        {0xFFFF, SS_ICON, {155, 125, 20, 20}, nullptr},
        {IDOK, BS_DEFPUSHBUTTON, {84, 153, 88, 18}, "OK"},
    };
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "control at " << row.rect.left << "," << row.rect.top);
        ASSERT_NE(nullptr, child);
        bool button = row.id == IDOK || row.id == IDC_REMOVE_SOLMIR;
        EXPECT_EQ(button ? "Button" : "Static", WindowClass(child));
        EXPECT_EQ(row.id, GetDlgCtrlID(child));
        EXPECT_EQ(row.kind,
                  GetWindowLongA(child, GWL_STYLE) & (button ? BS_TYPEMASK : SS_TYPEMASK));
        // The dialog manager converts position and size separately.
        RECT want = row.rect;
        MapDialogRect(dialog, &want);
        RECT placed = {};
        GetWindowRect(child, &placed);
        MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(want.left, placed.left);
        EXPECT_EQ(want.top, placed.top);
        if (row.text)
        {
            EXPECT_EQ(want.right, placed.right - placed.left);
            EXPECT_EQ(want.bottom, placed.bottom - placed.top);
            EXPECT_EQ(row.text, WindowTitle(child));
        }
        else
        {
            // Icon controls take the size of their icon.
            EXPECT_NE(0, SendMessageA(child, STM_GETICON, 0, 0)) << "icon 104 is shown";
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "no controls beyond the table";
    DestroyWindow(dialog);
}

TEST_F(NoticeTest, StartsWithTheFocusOnOkAndEndsOnEsc)
{
    g_fFrameRate = 1000.0f / 334.0f;
    DWORD uiThread = GetCurrentThreadId();
    std::string text;
    HWND focus = NULL;
    HWND okButton = NULL;
    INT_PTR result = 0;
    RunWatched(
        [&result]
        {
            result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), NULL,
                                     FrameRateNoticeProc, 0);
        },
        [&]
        {
            HWND notice = WaitForDialog(kNoticeTitle, kWaitMs);
            text = NoticeRateText(notice, kWaitMs);
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            GetGUIThreadInfo(uiThread, &info);
            focus = info.hwndFocus;
            okButton = GetDlgItem(notice, IDOK);
            INPUT keys[2] = {};
            keys[0].type = INPUT_KEYBOARD;
            keys[0].ki.wVk = VK_ESCAPE;
            keys[1] = keys[0];
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            if (!WaitUntil([&] { return !IsWindow(notice); }, kWaitMs))
            {
                EndDialog(notice, 99); // let the modal call end; the result shows it
            }
        });
    EXPECT_EQ("The current frame rate is: 2.99 frames per second.", text);
    EXPECT_TRUE(okButton != NULL && focus == okButton);
    EXPECT_EQ(1, result);
    EXPECT_EQ(0, RunOnceCount()) << "nothing scheduled";
}

// Which name the new entry gets, given what the run-once list holds already.
TEST_F(NoticeTest, TakesTheFirstFreeRunOnceName)
{
    struct Existing
    {
        const char* name;
        std::string text;
    };
    const std::string overLong(REMOVAL_TEXT_SIZE + 44, 'x');
    const struct
    {
        const char* what;
        std::vector<Existing> existing;
        const char* expected;
    } rows[] = {
        {"an empty list", {}, "kill_saver"},
        {"two taken", {{"kill_saver", "a"}, {"kill_saver1", "b"}}, "kill_saver2"},
        {"an empty value counts as free", {{"kill_saver", ""}}, "kill_saver"},
        {"a gap", {{"kill_saver", "a"}, {"kill_saver2", "c"}}, "kill_saver1"},
        {"a value too long to read is taken",
         {{"kill_saver", "a"}, {"kill_saver1", overLong}},
         "kill_saver2"},
        {"other entries do not matter", {{"other", "x"}, {"kill_saver0", "y"}}, "kill_saver"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        int taken = 0;
        for (const Existing& value : row.existing)
        {
            SetString(HKEY_LOCAL_MACHINE, kRunOncePath, value.name, value.text.c_str());
            taken += value.name != std::string(row.expected);
        }
        EXPECT_EQ(kRemovedCaption, ScheduleAndAnswer().caption);
        EXPECT_EQ(kCommand, RunOnceEntry(row.expected));
        for (const Existing& value : row.existing)
        {
            if (value.name != std::string(row.expected))
            {
                EXPECT_EQ(value.text, RunOnceEntry(value.name)) << value.name << " was changed";
            }
        }
        EXPECT_EQ(taken + 1, RunOnceCount());
        ExpectProductKeySelected();
    }
}

// Nothing is scheduled, and the user is told so rather than told otherwise.
TEST_F(NoticeTest, RefusesWhatItCannotScheduleAndSaysSo)
{
    const std::string longest(REMOVAL_TEXT_SIZE - sizeof(UNINSTALLER_SUFFIX), 'd'); // 342
    const struct
    {
        const char* what;
        bool hasInstallDir;
        std::string installDir;
        bool unwritableRunOnce;
        bool allNamesTaken;
        std::string command; // empty: nothing may be written
    } rows[] = {
        {"the longest folder that fits", true, longest, false, false, longest + "\\uninstal.exe"},
        {"a folder too long for the command", true, longest + "e", false, false, ""},
        {"a folder too long to read", true, std::string(400, 'f'), false, false, ""},
        {"no installation folder", false, "", false, false, ""},
        {"an empty installation folder", true, "", false, false, ""},
        {"a run-once list that cannot be written", true, kInstallDir, true, false, ""},
        {"every run-once name taken", true, kInstallDir, false, true, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        if (row.hasInstallDir)
        {
            SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", row.installDir.c_str());
        }
        int valuesBefore = 0;
        if (row.allNamesTaken)
        {
            HKEY key = NULL;
            ASSERT_EQ(ERROR_SUCCESS,
                      RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, KEY_SET_VALUE, &key));
            for (; valuesBefore <= RUN_ONCE_NAME_LIMIT; ++valuesBefore)
            {
                char name[RUN_ONCE_NAME_SIZE];
                ASSERT_TRUE(FormatRunOnceName(name, sizeof(name), valuesBefore));
                RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("taken"), 6);
            }
            RegCloseKey(key);
        }
        if (row.unwritableRunOnce)
        {
            ASSERT_TRUE(MakeRunOnceUnwritable());
        }

        SeenBox seen = ScheduleAndAnswer();

        if (row.unwritableRunOnce)
        {
            std::string written;
            EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRunOncePath, "kill_saver", &written))
                << "something was written through the link";
            ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        }
        if (!row.command.empty())
        {
            EXPECT_EQ(kRemovedCaption, seen.caption);
            EXPECT_EQ(row.command, RunOnceEntry("kill_saver"));
            EXPECT_EQ(1, RunOnceCount());
        }
        else
        {
            EXPECT_EQ(kNotRemovedCaption, seen.caption);
            EXPECT_EQ(kNotRemovedText, seen.text);
            EXPECT_EQ(valuesBefore, RunOnceCount()) << "nothing written";
        }
        ExpectProductKeySelected();
    }
}

} // namespace
