#include "registry_test_support.h"

const char kProductPath[] = "Software\\Quenwick\\Solmir";

bool DeleteTestKey(HKEY hive, const char* path)
{
    RegDeleteTreeA(hive, path);
    RegDeleteKeyA(hive, path);
    return !TestKeyExists(hive, path);
}

bool ResetTestKey(HKEY hive, const char* path)
{
    if (!DeleteTestKey(hive, path))
    {
        return false;
    }
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool TestKeyExists(HKEY hive, const char* path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
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
    memset(buffer, 0x5A, sizeof(buffer));
    DWORD size = sizeof(buffer);
    LONG status =
        RegQueryInfoKeyA(key, buffer, &size, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
    {
        return "<error>";
    }
    return std::string(buffer, size);
}

int TestValueCount(HKEY hive, const char* path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return -1;
    }
    DWORD values = 0;
    LONG status =
        RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? (int)values : -1;
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

bool SetDwordValue(const char* name, int32_t value)
{
    return SetRawValue(HKEY_CURRENT_USER, kProductPath, name, REG_DWORD, &value, sizeof(value));
}

bool GetDwordValue(const char* name, int32_t* value)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE*)&data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data))
    {
        return false;
    }
    *value = (int32_t)data;
    return true;
}

HWND CreateClassWindow(const char* className)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = className;
    RegisterClassA(&wc); // a second registration of the same class is harmless here
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}
