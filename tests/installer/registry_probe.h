// Reading and resetting the registry the installer writes, in an explicit registry view
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY) so a value in the wrong view shows.
#pragma once

#include <windows.h>
#include <string>

// False when the key or value is missing or not a string.
bool ReadRegText(HKEY hRoot, const char* key, const char* value, REGSAM view, std::string* pText);
// False when the key or value is missing or not a DWORD.
bool ReadRegNumber(HKEY hRoot, const char* key, const char* value, REGSAM view, DWORD* pNumber);
bool HasRegKey(HKEY hRoot, const char* key, REGSAM view);
bool HasRegValue(HKEY hRoot, const char* key, const char* value, REGSAM view);
// Creates the key when needed.
bool WriteRegText(HKEY hRoot, const char* key, const char* value, const std::string& text);
bool WriteRegNumber(HKEY hRoot, const char* key, const char* value, DWORD number);
// Deletes the key with everything under it; true when it is gone afterwards.
bool DeleteRegTree(HKEY hRoot, const char* key, REGSAM view);
void DeleteRegValue(HKEY hRoot, const char* key, const char* value);
