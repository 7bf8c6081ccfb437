// Registry-test helpers beyond tests/support: key reset, raw values, key
// class and value count.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <string>

extern const char kProductPath[]; // "Software\\Quenwick\\Solmir"

// Deletes the key with everything below it; true when it is gone afterwards.
bool DeleteTestKey(HKEY hive, const char* path);
// Deletes the key and creates it again, empty.
bool ResetTestKey(HKEY hive, const char* path);
bool SetRawValue(HKEY hive, const char* path, const char* name, DWORD type, const void* data,
                 DWORD size);
// Reads a REG_DWORD under the product key; false when missing or of another type.
bool GetDwordValue(const char* name, int32_t* value);
// Class string of the key, or "<none>" when the key cannot be opened.
std::string TestKeyClass(HKEY hive, const char* path);
int TestValueCount(HKEY hive, const char* path);
