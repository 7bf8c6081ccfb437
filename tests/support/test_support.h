// Helpers shared by the test programs.
#pragma once

#include <windows.h>
#include <string>

// Path of the built Solmir.scr as a Windows path (argv[1] of every test program).
std::string SolmirScrPath();

// The whole content of a file; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* pBytes);
