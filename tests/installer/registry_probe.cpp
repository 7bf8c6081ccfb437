#include "registry_probe.h"

#include <string.h>

namespace
{

// Reads a value of the expected type into a buffer pre-filled with a known byte.
bool ReadRegRaw(HKEY hRoot, const char* key, const char* value, REGSAM view, DWORD wantType,
                std::string* pData)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, key, 0, KEY_QUERY_VALUE | view, &hKey) != ERROR_SUCCESS)
    {
        return false;
    }
    char data[2048];
    memset(data, 0xA5, sizeof(data));
    DWORD type = REG_NONE;
    DWORD size = sizeof(data);
    LONG result = RegQueryValueExA(hKey, value, NULL, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(hKey);
    if (result != ERROR_SUCCESS || type != wantType)
    {
        return false;
    }
    pData->assign(data, size);
    return true;
}

} // namespace

bool ReadRegText(HKEY hRoot, const char* key, const char* value, REGSAM view, std::string* pText)
{
    std::string data;
    if (!ReadRegRaw(hRoot, key, value, view, REG_SZ, &data))
    {
        return false;
    }
    // A stored string carries its terminator; one without it is reported as it is.
    if (!data.empty() && data.back() == '\0')
    {
        data.pop_back();
    }
    *pText = data;
    return true;
}

bool ReadRegNumber(HKEY hRoot, const char* key, const char* value, REGSAM view, DWORD* pNumber)
{
    std::string data;
    if (!ReadRegRaw(hRoot, key, value, view, REG_DWORD, &data) || data.size() != sizeof(DWORD))
    {
        return false;
    }
    memcpy(pNumber, data.data(), sizeof(DWORD));
    return true;
}

bool HasRegKey(HKEY hRoot, const char* key, REGSAM view)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, key, 0, KEY_QUERY_VALUE | view, &hKey) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(hKey);
    return true;
}

bool HasRegValue(HKEY hRoot, const char* key, const char* value, REGSAM view)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, key, 0, KEY_QUERY_VALUE | view, &hKey) != ERROR_SUCCESS)
    {
        return false;
    }
    LONG result = RegQueryValueExA(hKey, value, NULL, NULL, NULL, NULL);
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS;
}

bool WriteRegText(HKEY hRoot, const char* key, const char* value, const std::string& text)
{
    HKEY hKey = NULL;
    if (RegCreateKeyExA(hRoot, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    LONG result =
        RegSetValueExA(hKey, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS;
}

bool WriteRegNumber(HKEY hRoot, const char* key, const char* value, DWORD number)
{
    HKEY hKey = NULL;
    if (RegCreateKeyExA(hRoot, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    LONG result = RegSetValueExA(hKey, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof(number));
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS;
}

bool DeleteRegTree(HKEY hRoot, const char* key, REGSAM view)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, key, 0, KEY_ALL_ACCESS | view, &hKey) == ERROR_SUCCESS)
    {
        RegDeleteTreeA(hKey, NULL);
        RegCloseKey(hKey);
        RegDeleteKeyExA(hRoot, key, view, 0);
    }
    return !HasRegKey(hRoot, key, view);
}

void DeleteRegValue(HKEY hRoot, const char* key, const char* value)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, key, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
    {
        RegDeleteValueA(hKey, value);
        RegCloseKey(hKey);
    }
}
