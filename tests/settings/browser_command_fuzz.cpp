// Fuzz target for the browser command builder: any command, any link text,
// any buffer sizes. The buffers are heap blocks of exactly the given size, so
// AddressSanitizer reports the first byte written past them.
#include "settings/browser_command.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
    {
        return 0;
    }
    size_t programSize = data[0];
    size_t parametersSize = static_cast<size_t>(data[1]) * 4;
    std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
    // The first NUL splits the command from the link text.
    size_t split = input.find('\0');
    std::string command = input.substr(0, split);
    std::string text = split == std::string::npos ? "" : input.c_str() + split + 1;

    char* program = static_cast<char*>(malloc(programSize + 1));
    char* parameters = static_cast<char*>(malloc(parametersSize + 1));
    bool started = BuildBrowserCommand(command.c_str(), text.c_str(), program, programSize,
                                       parameters, parametersSize);
    // Something was started: both texts are terminated inside their buffers, and an address was
    // found, so it ends the parameters.
    if (started && (memchr(program, '\0', programSize) == nullptr ||
                    memchr(parameters, '\0', parametersSize) == nullptr ||
                    strstr(parameters, "http") == nullptr))
    {
        abort();
    }
    free(program);
    free(parameters);
    return 0;
}
