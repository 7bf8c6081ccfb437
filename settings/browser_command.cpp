// The browser start for a web link, worked out from the system's HTTP open
// command. Lower-casing is ASCII only: the command and the address are plain
// paths and URLs, and the result must not depend on the user's code page.
#include "settings/browser_command.h"

#include <string.h>

const char g_szDefaultBrowser[] = "iexplore.exe";

namespace
{

// A caller's buffer being filled, or only measured when it has no text yet.
struct TextBuffer
{
    char* text;
    size_t size;
    size_t length;
    bool overflow;
};

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// First place where the lower-case needle occurs in the text, in any case.
const char* FindNoCase(const char* text, const char* needle)
{
    size_t needleLength = strlen(needle);
    for (; *text != '\0'; ++text)
    {
        size_t i = 0;
        while (i < needleLength && LowerAscii(text[i]) == needle[i])
        {
            ++i;
        }
        if (i == needleLength)
        {
            return text;
        }
    }
    return nullptr;
}

void StartText(TextBuffer& out, char* text, size_t size)
{
    out.text = text;
    out.size = size;
    out.length = 0;
    out.overflow = size == 0;
    if (text != nullptr && size != 0)
    {
        text[0] = '\0';
    }
}

void AppendLower(TextBuffer& out, const char* from, size_t count)
{
    // One byte must stay for the terminator.
    if (out.overflow || count >= out.size - out.length)
    {
        out.overflow = true;
        return;
    }
    if (out.text != nullptr)
    {
        for (size_t i = 0; i < count; ++i)
        {
            out.text[out.length + i] = LowerAscii(from[i]);
        }
        out.text[out.length + count] = '\0';
    }
    out.length += count;
}

void AppendLower(TextBuffer& out, const char* from)
{
    AppendLower(out, from, strlen(from));
}

// The parameters that follow the program in the command, with the address in
// place of the placeholder "%1", quoted or not, and of anything after it; or
// appended after a blank when the command has no placeholder.
void AppendCommandParameters(TextBuffer& out, const char* remainder, const char* address)
{
    if (*remainder == '\0')
    {
        AppendLower(out, address);
        return;
    }
    const char* placeholder = FindNoCase(remainder, "\"%1\"");
    if (placeholder == nullptr)
    {
        placeholder = FindNoCase(remainder, "%1");
    }
    if (placeholder != nullptr)
    {
        AppendLower(out, remainder, static_cast<size_t>(placeholder - remainder));
    }
    else
    {
        AppendLower(out, remainder);
        AppendLower(out, " ");
    }
    AppendLower(out, address);
}

// The program and its parameters for an address found in the link text.
void ComposeBrowserCommand(TextBuffer& program, TextBuffer& parameters, const char* command,
                           const char* address)
{
    // Internet Explorer is started by its bare name, wherever the command puts it.
    const char* exe = nullptr;
    if (FindNoCase(command, g_szDefaultBrowser) == nullptr)
    {
        exe = FindNoCase(command, ".exe");
    }

    if (exe == nullptr)
    {
        AppendLower(program, g_szDefaultBrowser);
        AppendLower(parameters, "-new ");
        AppendLower(parameters, address);
        return;
    }
    // The program is started by its path alone: a name that begins with the
    // command's opening quotation mark is not found by the shell.
    const char* programStart = *command == '"' ? command + 1 : command;
    const char* programEnd = exe + 4;
    AppendLower(program, programStart, static_cast<size_t>(programEnd - programStart));
    // The character after ".exe" is normally a closing quotation mark or a blank.
    const char* remainder = *programEnd != '\0' ? programEnd + 1 : programEnd;
    AppendCommandParameters(parameters, remainder, address);
}

} // namespace

bool BuildBrowserCommand(const char* command, const char* text, char* program, size_t programSize,
                         char* parameters, size_t parametersSize)
{
    TextBuffer programOut = {};
    TextBuffer parametersOut = {};
    StartText(programOut, program, programSize);
    StartText(parametersOut, parameters, parametersSize);

    const char* address = FindNoCase(text, "http");
    if (address == nullptr)
    {
        return false;
    }

    // Measure first, so that nothing of a command that does not fit is written.
    TextBuffer programLength = {};
    TextBuffer parametersLength = {};
    StartText(programLength, nullptr, programSize);
    StartText(parametersLength, nullptr, parametersSize);
    ComposeBrowserCommand(programLength, parametersLength, command, address);
    if (programLength.overflow || parametersLength.overflow)
    {
        return false;
    }
    ComposeBrowserCommand(programOut, parametersOut, command, address);
    return true;
}
