// Loading and releasing the platform's password check in this process, on the
// real registry with the stand-in PASSWORD.CPL: which stored settings require
// a password, and that every failure means none is required.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kUsePassword[] = "ScreenSaveUsePassword";
const char kStandinKey[] = "Software\\SolmirTest\\Password";

std::string TestFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void StoreUsePassword(DWORD type, const BYTE* data, DWORD size)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, NULL, 0,
                                             KEY_SET_VALUE, NULL, &key, NULL));
    RegDeleteValueA(key, kUsePassword);
    if (type != REG_NONE)
    {
        RegSetValueExA(key, kUsePassword, 0, type, data, size);
    }
    RegCloseKey(key);
}

bool IsSaverRunningFlagSet()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

void SetSaverRunningFlag(bool on)
{
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}

enum Library
{
    NO_LIBRARY,
    WITH_CHECK,
    WITHOUT_CHECK
};

class PasswordLoadTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinKey);
        g_bWin9x = 1;
    }

    void TearDown() override
    {
        ReleasePasswordVerifier();
        g_bWin9x = 0;
        SetDllDirectoryA(NULL);
        StoreUsePassword(REG_NONE, NULL, 0);
        SetSaverRunningFlag(false);
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinKey);
    }

    // The loader looks in the DLL folder after the program's own: put the
    // chosen stand-in there, or an empty folder.
    void OfferLibrary(Library library)
    {
        const char* folder = library == WITH_CHECK      ? "standin"
                             : library == WITHOUT_CHECK ? "noentry"
                                                        : "no-such-folder";
        ASSERT_TRUE(SetDllDirectoryA((TestFolder() + folder).c_str()));
    }
};

TEST_F(PasswordLoadTest, StoredSettingAndLibraryDecideWhetherAPasswordIsRequired)
{
    const BYTE one[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    const BYTE zero[4] = {0, 0, 0, 0};
    const BYTE high[4] = {0, 0, 0, 0x80};
    const struct
    {
        const char* name;
        DWORD type; // REG_NONE: no value at all
        const BYTE* data;
        DWORD size;
        Library library;
        bool required;
    } cases[] = {
        {"DWORD 1", REG_DWORD, one, 4, WITH_CHECK, true},
        {"DWORD with only the top bit", REG_DWORD, high, 4, WITH_CHECK, true},
        {"4-byte binary 1", REG_BINARY, one, 4, WITH_CHECK, true},
        {"2-byte binary 1 fills the low bytes", REG_BINARY, one, 2, WITH_CHECK, true},
        {"the type is not checked", REG_SZ, reinterpret_cast<const BYTE*>("1"), 2, WITH_CHECK,
         true},
        {"DWORD 0", REG_DWORD, zero, 4, WITH_CHECK, false},
        {"no value", REG_NONE, NULL, 0, WITH_CHECK, false},
        {"8 bytes cannot be read as 4", REG_BINARY, one, 8, WITH_CHECK, false},
        {"empty binary", REG_BINARY, one, 0, WITH_CHECK, false},
        {"no library", REG_DWORD, one, 4, NO_LIBRARY, false},
        {"library without the check", REG_DWORD, one, 4, WITHOUT_CHECK, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        StoreUsePassword(c.type, c.data, c.size);
        OfferLibrary(c.library);
        // Where nothing may touch the system's flag, a set flag must survive.
        SetSaverRunningFlag(!c.required);

        LoadPasswordVerifier();
        EXPECT_EQ(c.required, g_pfnVerifyPassword != NULL);
        EXPECT_EQ(c.required, g_hPasswordLib != NULL) << "a library without the check is freed";
        EXPECT_EQ(c.required, GetModuleHandleA("PASSWORD.CPL") != NULL);
        EXPECT_TRUE(IsSaverRunningFlagSet()) << "flag while the check is loaded, or untouched";

        ReleasePasswordVerifier();
        EXPECT_TRUE(g_pfnVerifyPassword == NULL);
        EXPECT_TRUE(g_hPasswordLib == NULL);
        EXPECT_TRUE(GetModuleHandleA("PASSWORD.CPL") == NULL);
        EXPECT_EQ(!c.required, IsSaverRunningFlagSet()) << "flag after the release";
        ReleasePasswordVerifier(); // safe twice
    }
}

TEST_F(PasswordLoadTest, LoadingAgainReplacesTheCheck)
{
    const BYTE one[4] = {1, 0, 0, 0};
    StoreUsePassword(REG_DWORD, one, 4);
    OfferLibrary(WITH_CHECK);
    LoadPasswordVerifier();
    ASSERT_TRUE(g_pfnVerifyPassword != NULL);
    // The password was switched off meanwhile: the old check goes away.
    StoreUsePassword(REG_NONE, NULL, 0);
    LoadPasswordVerifier();
    EXPECT_TRUE(g_pfnVerifyPassword == NULL);
    EXPECT_TRUE(GetModuleHandleA("PASSWORD.CPL") == NULL);
    EXPECT_FALSE(IsSaverRunningFlagSet());
}

TEST_F(PasswordLoadTest, OtherPlatformsNeverLoadOrTouchTheFlag)
{
    const BYTE one[4] = {1, 0, 0, 0};
    StoreUsePassword(REG_DWORD, one, 4);
    OfferLibrary(WITH_CHECK);
    g_bWin9x = 0;
    SetSaverRunningFlag(true);
    LoadPasswordVerifier();
    EXPECT_TRUE(g_pfnVerifyPassword == NULL);
    EXPECT_TRUE(GetModuleHandleA("PASSWORD.CPL") == NULL);
    SetSaverRunning(0);
    EXPECT_TRUE(IsSaverRunningFlagSet());
}

} // namespace
