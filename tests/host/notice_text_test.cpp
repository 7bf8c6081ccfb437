// The notice's rate line, the run-once command and the run-once names, built
// into buffers pre-filled with a marker so an overrun or a missing terminator
// shows. Portable: also built natively under the sanitizers.
#include "host/notice_text.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace
{

const char kMarker = '\x5A';

// A buffer of `size` bytes for the call, followed by guard bytes.
struct Guarded
{
    explicit Guarded(size_t size) : bytes(size + 8, kMarker), size(size) {}
    char* data()
    {
        return bytes.data();
    }
    bool GuardIntact() const
    {
        for (size_t i = size; i < bytes.size(); ++i)
        {
            if (bytes[i] != kMarker)
            {
                return false;
            }
        }
        return true;
    }
    bool Terminated() const
    {
        return memchr(bytes.data(), '\0', size) != NULL;
    }
    std::vector<char> bytes;
    size_t size;
};

TEST(FrameRateText, ShowsTheRateWithTwoDecimals)
{
    struct Row
    {
        float rate;
        size_t size;
        bool fits;
        const char* text;
    };
    const Row rows[] = {
        {2.5f, FRAME_RATE_TEXT_SIZE, true, "The current frame rate is: 2.50 frames per second."},
        {33.0f, FRAME_RATE_TEXT_SIZE, true, "The current frame rate is: 33.00 frames per second."},
        {5000.0f / 501.0f, FRAME_RATE_TEXT_SIZE, true,
         "The current frame rate is: 9.98 frames per second."},
        {5000.0f / 261.0f, FRAME_RATE_TEXT_SIZE, true,
         "The current frame rate is: 19.16 frames per second."},
        {1000.0f / 4294967295.0f, FRAME_RATE_TEXT_SIZE, true,
         "The current frame rate is: 0.00 frames per second."},
        {2.5f, 51, true, "The current frame rate is: 2.50 frames per second."}, // exactly fits
        {2.5f, 50, false, "The current frame rate is: 2.50 frames per second"}, // one short
        {2.5f, 1, false, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "rate " << row.rate << ", buffer " << row.size);
        Guarded buffer(row.size);
        EXPECT_EQ(row.fits, FormatFrameRateText(buffer.data(), row.size, row.rate));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_STREQ(row.text, buffer.data());
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(RemovalCommand, IsTheFolderAndTheUninstaller)
{
    struct Row
    {
        const char* name;
        std::string folder;
        bool built;
        std::string command;
    };
    const std::string longest(REMOVAL_TEXT_SIZE - sizeof(UNINSTALLER_SUFFIX), 'a'); // 342
    const Row rows[] = {
        {"a folder", "C:\\Program Files\\Quenwick Solmir", true,
         "C:\\Program Files\\Quenwick Solmir\\uninstal.exe"},
        {"the root of a drive", "D:", true, "D:\\uninstal.exe"},
        {"the longest folder that fits", longest, true, longest + "\\uninstal.exe"},
        {"one character more", longest + "b", false, ""},
        {"a folder the read buffer could not hold", std::string(400, 'c'), false, ""},
        {"no folder at all", "", false, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        Guarded buffer(REMOVAL_TEXT_SIZE);
        EXPECT_EQ(row.built,
                  BuildRemovalCommand(buffer.data(), REMOVAL_TEXT_SIZE, row.folder.c_str()));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_EQ(row.command, std::string(buffer.data()));
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(RunOnceName, CountsUpFromKillSaver)
{
    struct Row
    {
        int counter;
        size_t size;
        bool made;
        const char* name;
    };
    const Row rows[] = {
        {0, RUN_ONCE_NAME_SIZE, true, "kill_saver"},
        {1, RUN_ONCE_NAME_SIZE, true, "kill_saver1"},
        {2, RUN_ONCE_NAME_SIZE, true, "kill_saver2"},
        {RUN_ONCE_NAME_LIMIT, RUN_ONCE_NAME_SIZE, true, "kill_saver9999"},
        {RUN_ONCE_NAME_LIMIT + 1, RUN_ONCE_NAME_SIZE, false, ""}, // the search ends here
        {-1, RUN_ONCE_NAME_SIZE, false, ""},
        {9999, 15, true, "kill_saver9999"},
        {9999, 14, false, ""}, // a cut name would be some other entry's
        {0, 10, false, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "counter " << row.counter << ", buffer " << row.size);
        Guarded buffer(row.size);
        EXPECT_EQ(row.made, FormatRunOnceName(buffer.data(), row.size, row.counter));
        ASSERT_TRUE(buffer.Terminated());
        EXPECT_STREQ(row.name, buffer.data());
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

} // namespace
