// The notice's rate line, the run-once command and the run-once names, built
// into buffers followed by guard bytes, so an overrun or a missing terminator
// shows. Portable: also built natively under the sanitizers.
#include "host/notice_text.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace
{

// `size` bytes for the call, then guard bytes, all pre-filled with a marker.
struct Guarded
{
    explicit Guarded(size_t n) : bytes(n + 8, '\x5A'), size(n) {}
    char* data()
    {
        return bytes.data();
    }
    bool Terminated() const
    {
        return memchr(bytes.data(), '\0', size) != NULL;
    }
    bool GuardIntact() const
    {
        return std::string(bytes.data() + size, 8) == std::string(8, '\x5A');
    }
    std::vector<char> bytes;
    size_t size;
};

TEST(FrameRateText, ShowsTheRateWithTwoDecimals)
{
    const struct
    {
        float rate;
        size_t size;
        bool fits;
        const char* text;
    } rows[] = {
        {2.5f, FRAME_RATE_TEXT_SIZE, true, "The current frame rate is: 2.50 frames per second."},
        {5000.0f / 261.0f, FRAME_RATE_TEXT_SIZE, true,
         "The current frame rate is: 19.16 frames per second."},
        {1000.0f / 4294967295.0f, FRAME_RATE_TEXT_SIZE, true,
         "The current frame rate is: 0.00 frames per second."},
        {2.5f, 51, true, "The current frame rate is: 2.50 frames per second."}, // exactly fits
        {2.5f, 50, false, "The current frame rate is: 2.50 frames per second"}, // one short
        {2.5f, 1, false, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "rate " << row.rate << ", buffer " << row.size);
        Guarded buffer(row.size);
        EXPECT_EQ(row.fits, FormatFrameRateText(buffer.data(), row.size, row.rate));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_STREQ(row.text, buffer.data());
    }
}

TEST(RemovalCommand, IsTheFolderAndTheUninstaller)
{
    const std::string longest(REMOVAL_TEXT_SIZE - sizeof(UNINSTALLER_SUFFIX), 'a'); // 342
    const struct
    {
        const char* what;
        std::string folder;
        std::string command; // empty: refused
    } rows[] = {
        {"a folder", "C:\\Program Files\\Quenwick Solmir",
         "C:\\Program Files\\Quenwick Solmir\\uninstal.exe"},
        {"the root of a drive", "D:", "D:\\uninstal.exe"},
        {"the longest folder that fits", longest, longest + "\\uninstal.exe"},
        {"one character more", longest + "b", ""},
        {"a folder the read buffer could not hold", std::string(400, 'c'), ""},
        {"no folder at all", "", ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        Guarded buffer(REMOVAL_TEXT_SIZE);
        EXPECT_EQ(!row.command.empty(),
                  BuildRemovalCommand(buffer.data(), REMOVAL_TEXT_SIZE, row.folder.c_str()));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(row.command, buffer.data());
    }
}

TEST(RunOnceName, CountsUpFromKillSaver)
{
    const struct
    {
        int counter;
        size_t size;
        const char* name; // empty: refused
    } rows[] = {
        {0, RUN_ONCE_NAME_SIZE, "kill_saver"},
        {2, RUN_ONCE_NAME_SIZE, "kill_saver2"},
        {RUN_ONCE_NAME_LIMIT, RUN_ONCE_NAME_SIZE, "kill_saver9999"},
        {RUN_ONCE_NAME_LIMIT + 1, RUN_ONCE_NAME_SIZE, ""}, // the search ends here
        {-1, RUN_ONCE_NAME_SIZE, ""},
        {9999, 15, "kill_saver9999"},
        {9999, 14, ""}, // a cut name would be some other entry's
        {0, 10, ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "counter " << row.counter << ", buffer " << row.size);
        Guarded buffer(row.size);
        EXPECT_EQ(row.name[0] != '\0', FormatRunOnceName(buffer.data(), row.size, row.counter));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_STREQ(row.name, buffer.data());
    }
}

} // namespace
