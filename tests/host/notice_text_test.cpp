// The run-once command and the run-once names, built into buffers followed by guard bytes, so an
// overrun or a missing terminator shows. Built natively, under the sanitizers.
#include "host/notice_text.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <tuple>
#include <vector>

namespace
{

// Calls `format` on `size` bytes followed by guard bytes, all pre-filled with
// a marker; checks the terminator and the guard, returns the text.
template <typename Format> std::string Guarded(size_t size, bool fits, Format format)
{
    std::vector<char> bytes(size + 8, '\x5A');
    EXPECT_EQ(fits, format(bytes.data(), size));
    EXPECT_TRUE(memchr(bytes.data(), '\0', size) != NULL) << "not terminated";
    EXPECT_EQ(std::string(8, '\x5A'), std::string(bytes.data() + size, 8)) << "overrun";
    return std::string(bytes.data(), strnlen(bytes.data(), size));
}

TEST(RemovalCommand, IsTheQuotedPathOfTheUninstaller)
{
    // The command fills the buffer: quotes, folder, "\uninstal.exe", terminator.
    const std::string longest(kRemovalTextSize - sizeof(kUninstallerSuffix) - 2, 'a');
    const std::pair<std::string, std::string> rows[] = {
        {longest, "\"" + longest + "\\uninstal.exe\""}, {longest + "b", ""}, {"", ""}};
    for (const auto& [folder, command] : rows) // an empty command: refused
    {
        SCOPED_TRACE(folder.size());
        EXPECT_EQ(command, Guarded(kRemovalTextSize, !command.empty(),
                                   [path = folder.c_str()](char* text, size_t size)
                                   { return BuildRemovalCommand(text, size, path); }));
    }
}

TEST(RunOnceName, CountsUpFromKillSaver)
{
    // Counter, buffer size, name ("": refused).
    const std::tuple<int, size_t, std::string> rows[] = {
        {kRunOnceNameLimit + 1, kRunOnceNameSize, ""}, // the search ends here
        {-1, kRunOnceNameSize, ""},
        {9999, 15, "kill_saver9999"},
        {9999, 14, ""}, // a cut name would be some other entry's
    };
    for (const auto& [counter, buffer, name] : rows)
    {
        SCOPED_TRACE(testing::Message() << "counter " << counter << ", buffer " << buffer);
        EXPECT_EQ(name, Guarded(buffer, !name.empty(),
                                [n = counter](char* text, size_t size)
                                { return FormatRunOnceName(text, size, n); }));
    }
}

} // namespace
