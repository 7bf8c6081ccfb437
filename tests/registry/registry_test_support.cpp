#include "registry_test_support.h"
#include "support/saver_process.h"

const char kProductPath[] = "Software\\Quenwick\\Solmir";

bool DeleteTestKey(HKEY hive, const char* path)
{
    DeleteTree(hive, path);
    return TestKeyClass(hive, path) == "<none>";
}

bool ResetTestKey(HKEY hive, const char* path)
{
    HKEY key = NULL;
    if (!DeleteTestKey(hive, path) ||
        RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool SetRawValue(HKEY hive, const char* path, const char* name, DWORD type, const void* data,
                 DWORD size)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    LONG status = RegSetValueExA(key, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool GetDwordValue(const char* name, int32_t* value)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegGetValueA(HKEY_CURRENT_USER, kProductPath, name, RRF_RT_REG_DWORD, NULL, &data, &size) !=
        ERROR_SUCCESS)
    {
        return false;
    }
    *value = (int32_t)data;
    return true;
}

std::string TestKeyClass(HKEY hive, const char* path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return "<none>";
    }
    char buffer[256];
    DWORD size = sizeof(buffer);
    LONG status =
        RegQueryInfoKeyA(key, buffer, &size, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(buffer, size) : "<error>";
}

int TestValueCount(HKEY hive, const char* path)
{
    HKEY key = NULL;
    DWORD values = 0;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return -1;
    }
    LONG status =
        RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? (int)values : -1;
}
