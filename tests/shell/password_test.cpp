// Loading and releasing the platform's password check in this process, on the
// real registry with the stand-in PASSWORD.CPL: which stored settings require
// a password, and that every failure means none is required.
#include "shell/shell.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>

namespace
{

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kUsePassword[] = "ScreenSaveUsePassword";
const BYTE kOne[8] = {1};

// REG_NONE stores no value at all.
void StoreUsePassword(DWORD type, const void* data, DWORD size)
{
    DeleteValue(HKEY_CURRENT_USER, kDesktopKey, kUsePassword);
    if (type != REG_NONE)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kUsePassword, type, data, size);
    }
}

// The loader looks in the DLL folder after the program's own: offer the
// stand-in ("standin"), the one without the check ("noentry"), or nothing.
void OfferLibrary(const char* folder)
{
    ASSERT_TRUE(SetDllDirectoryA((TestProgramFolder() + folder).c_str()));
}

class PasswordLoadTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_bWin9x = 1;
    }

    void TearDown() override
    {
        ReleasePasswordVerifier();
        g_bWin9x = 0;
        SetDllDirectoryA(NULL);
        StoreUsePassword(REG_NONE, NULL, 0);
        SetSaverRunningFlag(false);
        DeleteTree(HKEY_CURRENT_USER, "Software\\SolmirTest\\Password");
    }
};

TEST_F(PasswordLoadTest, StoredSettingAndLibraryDecideWhetherAPasswordIsRequired)
{
    const BYTE high[4] = {0, 0, 0, 0x80};
    const BYTE zero[4] = {};
    const struct
    {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        const char* library;
        bool required;
    } rows[] = {
        {"DWORD 1", REG_DWORD, kOne, 4, "standin", true},
        {"DWORD with only the top bit", REG_DWORD, high, 4, "standin", true},
        {"4-byte binary 1", REG_BINARY, kOne, 4, "standin", true},
        {"2-byte binary 1 fills the low bytes", REG_BINARY, kOne, 2, "standin", true},
        {"the type is not checked", REG_SZ, "1", 2, "standin", true},
        {"DWORD 0", REG_DWORD, zero, 4, "standin", false},
        {"no value", REG_NONE, NULL, 0, "standin", false},
        {"8 bytes cannot be read as 4", REG_BINARY, kOne, 8, "standin", false},
        {"empty binary", REG_BINARY, kOne, 0, "standin", false},
        {"no library", REG_DWORD, kOne, 4, "no-such-folder", false},
        {"library without the check", REG_DWORD, kOne, 4, "noentry", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        StoreUsePassword(row.type, row.data, row.size);
        OfferLibrary(row.library);
        // Where nothing may touch the system's flag, a set flag must survive.
        SetSaverRunningFlag(!row.required);

        LoadPasswordVerifier();
        EXPECT_EQ(row.required, g_pfnVerifyPassword != NULL);
        EXPECT_EQ(row.required, g_hPasswordLib != NULL) << "a library without the check is freed";
        EXPECT_EQ(row.required, GetModuleHandleA("PASSWORD.CPL") != NULL);
        EXPECT_TRUE(IsSaverRunningFlagSet()) << "flag while the check is loaded, or untouched";

        ReleasePasswordVerifier();
        EXPECT_TRUE(g_pfnVerifyPassword == NULL && g_hPasswordLib == NULL);
        EXPECT_TRUE(GetModuleHandleA("PASSWORD.CPL") == NULL);
        EXPECT_EQ(!row.required, IsSaverRunningFlagSet()) << "flag after the release";
        ReleasePasswordVerifier(); // safe twice
    }
}

TEST_F(PasswordLoadTest, LoadingAgainReplacesTheCheck)
{
    StoreUsePassword(REG_DWORD, kOne, 4);
    OfferLibrary("standin");
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
    StoreUsePassword(REG_DWORD, kOne, 4);
    OfferLibrary("standin");
    g_bWin9x = 0;
    SetSaverRunningFlag(true);
    LoadPasswordVerifier();
    EXPECT_TRUE(g_pfnVerifyPassword == NULL);
    EXPECT_TRUE(GetModuleHandleA("PASSWORD.CPL") == NULL);
    SetSaverRunning(0);
    EXPECT_TRUE(IsSaverRunningFlagSet());
}

} // namespace
