// The built saver started with command lines that must not run any mode:
// each ends at once with exit code -1.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdint.h>

namespace
{

const DWORD kFailed = 0xFFFFFFFFu; // exit code -1

// A number that names no window: one that did, a moment ago.
uint32_t FormerWindowNumber()
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    uint32_t number = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd));
    DestroyWindow(hwnd);
    return number;
}

TEST(RunModeEndToEnd, RefusedCommandLinesExitWithMinusOne)
{
    std::string gone = std::to_string(FormerWindowNumber());
    ASSERT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoul(gone)))));
    const std::string lines[] = {
        "/x",
        "/p",
        "/p:1234",
        "/l " + gone,
        "/\ts",
        "/\xff\xfe",
        // Wine's default platform is not of the 9x family.
        "/a 1234",
        // Long lines and numbers far past 32 bits.
        "/" + std::string(30000, 'x'),
        "/p:" + std::string(30000, '9'),
    };
    for (const std::string& tail : lines)
    {
        SaverProcess saver;
        std::string shown = tail.size() > 40 ? tail.substr(0, 40) + "..." : tail;
        ASSERT_TRUE(StartProgram(SolmirScrPath(), tail, &saver)) << "tail: " << shown;
        EXPECT_EQ(kFailed, WaitForExit(saver, 5000)) << "tail: " << shown;
    }
}

} // namespace
