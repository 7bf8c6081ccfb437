// Helpers for the registry tests: key reset, raw value access and a window
// whose class becomes the key class.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <string>

extern const char kProductPath[]; // "Software\\Quenwick\\Solmir"

// Deletes the key with everything below it; true when it is gone afterwards.
bool DeleteTestKey(HKEY hive, const char* path);
// Deletes the key and creates it again, empty.
bool ResetTestKey(HKEY hive, const char* path);
bool TestKeyExists(HKEY hive, const char* path);
// Class string of the key, or "<none>" when the key cannot be opened.
std::string TestKeyClass(HKEY hive, const char* path);
int TestValueCount(HKEY hive, const char* path);

bool SetRawValue(HKEY hive, const char* path, const char* name, DWORD type, const void* data,
                 DWORD size);
bool SetDwordValue(const char* name, int32_t value); // under the product key, HKCU
// Reads a REG_DWORD under the product key; false when missing or of another type.
bool GetDwordValue(const char* name, int32_t* value);

// A hidden top-level window of a class registered with the given name.
HWND CreateClassWindow(const char* className);
