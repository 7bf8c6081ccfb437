// The DLLs a Windows executable imports, read from the bytes of its file. Pure: no Win32,
// every offset checked against the buffer, so any file can be handed in.
#pragma once

#include <stddef.h>
#include <string>
#include <vector>

struct PeImports
{
    bool ok;                            // the bytes parsed as a PE image
    std::vector<std::string> dlls;      // import directory, in file order
    std::vector<std::string> delayDlls; // delay-load import directory, in file order
};

PeImports ReadPeImports(const unsigned char* data, size_t size);
