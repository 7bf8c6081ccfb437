// Texts of the low-frame-rate notice and the removal scheduling.
#include "host/notice_text.h"

#include <stdio.h>
#include <string.h>

namespace
{

const char kRunOnceBaseName[] = "kill_saver";

void ClearText(char* text, size_t size)
{
    if (text != NULL && size > 0)
    {
        text[0] = '\0';
    }
}

// snprintf reports the length it wanted; anything at or past the buffer's end
// was cut.
bool Fits(int written, size_t size)
{
    return written >= 0 && static_cast<size_t>(written) < size;
}

} // namespace

bool FormatFrameRateText(char* text, size_t size, float rate)
{
    if (text == NULL || size == 0)
    {
        return false;
    }
    int written = snprintf(text, size, "The current frame rate is: %.2f frames per second.",
                           static_cast<double>(rate));
    return Fits(written, size);
}

bool BuildRemovalCommand(char* command, size_t size, const char* installDir)
{
    ClearText(command, size);
    if (command == NULL || installDir == NULL || installDir[0] == '\0')
    {
        return false;
    }
    // Quoted: with a blank in the folder, an unquoted command would first
    // start whatever program sits at the path up to that blank.
    size_t folder = strnlen(installDir, size);
    size_t suffix = sizeof(kUninstallerSuffix) - 1;
    if (folder >= size || suffix + 3 > size - folder)
    {
        return false;
    }
    command[0] = '"';
    memcpy(command + 1, installDir, folder);
    memcpy(command + 1 + folder, kUninstallerSuffix, suffix);
    memcpy(command + 1 + folder + suffix, "\"", 2);
    return true;
}

bool FormatRunOnceName(char* name, size_t size, int counter)
{
    ClearText(name, size);
    if (name == NULL || counter < 0 || counter > kRunOnceNameLimit)
    {
        return false;
    }
    int written = counter == 0 ? snprintf(name, size, "%s", kRunOnceBaseName)
                               : snprintf(name, size, "%s%d", kRunOnceBaseName, counter);
    if (!Fits(written, size))
    {
        ClearText(name, size);
        return false;
    }
    return true;
}
