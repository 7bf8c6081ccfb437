// The registry store: one process-wide selected key path, and value
// operations that each open it in their own hive, do one query or set, and
// close it again. Nothing is cached and no key handle outlives an operation.
#include "settings/settings.h"

#include <string.h>

const char g_szProductKey[] = "Software\\Quenwick\\Solmir";
char g_szRegPath[64];

namespace
{

char s_szRegClass[40]; // class name of the window given at the last selection

// Copies text into a buffer of the given size, cutting it short when needed;
// the buffer always ends terminated. Returns false when the text did not fit.
bool CopyTextBounded(char* buffer, size_t size, const char* text)
{
    if (buffer == NULL || size == 0)
    {
        return false;
    }
    if (text == NULL)
    {
        buffer[0] = '\0';
        return true;
    }
    size_t length = strnlen(text, size);
    if (length >= size)
    {
        memcpy(buffer, text, size - 1);
        buffer[size - 1] = '\0';
        return false;
    }
    memcpy(buffer, text, length + 1);
    return true;
}

} // namespace

void RegSelectKey(HWND hwnd, const char* path)
{
    // A path that does not fit would address a different key than the caller
    // named; it selects nothing instead, so value operations fail until the
    // next good selection rather than touch the wrong key.
    if (path == NULL || !CopyTextBounded(g_szRegPath, sizeof(g_szRegPath), path))
    {
        g_szRegPath[0] = '\0';
    }

    // The class is asked into a scratch buffer: a null window fails the query
    // and must leave the class of the last selection in place.
    char className[sizeof(s_szRegClass)] = {};
    if (GetClassNameA(hwnd, className, sizeof(className)) > 0)
    {
        CopyTextBounded(s_szRegClass, sizeof(s_szRegClass), className);
    }
}

namespace
{

// An empty path would open the hive's root itself, which no caller means: it
// fails like an unopenable key.
//
// Reads ask for nothing but reading and create nothing: a user without
// elevation may read keys of the machine and classes hives that he may not
// write, and a read must not leave an empty key behind.
HKEY OpenSelectedKeyToRead(HKEY hive)
{
    HKEY key = NULL;
    if (g_szRegPath[0] == '\0' ||
        RegOpenKeyExA(hive, g_szRegPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return NULL;
    }
    return key;
}

// Writes create the selected path when it is missing, with the recorded class.
HKEY OpenSelectedKeyToWrite(HKEY hive)
{
    HKEY key = NULL;
    if (g_szRegPath[0] == '\0' ||
        RegCreateKeyExA(hive, g_szRegPath, 0, s_szRegClass, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return NULL;
    }
    return key;
}

} // namespace

int32_t RegReadValue(const char* name, int32_t defaultValue)
{
    HKEY key = OpenSelectedKeyToRead(HKEY_CURRENT_USER);
    if (key == NULL)
    {
        return defaultValue;
    }
    // Data shorter than four bytes leaves the rest of the number zero.
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    int32_t result = defaultValue;
    if (RegQueryValueExA(key, name, NULL, NULL, data, &size) == ERROR_SUCCESS)
    {
        result = static_cast<int32_t>(
            static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
            (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24));
    }
    RegCloseKey(key);
    return result;
}

bool RegWriteValue(const char* name, int32_t value)
{
    HKEY key = OpenSelectedKeyToWrite(HKEY_CURRENT_USER);
    if (key == NULL)
    {
        return false;
    }
    DWORD data = static_cast<DWORD>(value);
    bool stored = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                 sizeof(data)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return stored;
}

namespace
{

// One string read for both hives. The caller's buffer ends up holding either
// the stored text, terminated, or the default text (cut to fit).
char* ReadStringValue(HKEY hive, const char* name, char* buffer, DWORD size,
                      const char* defaultText)
{
    if (buffer == NULL || size == 0)
    {
        return buffer;
    }
    HKEY key = OpenSelectedKeyToRead(hive);
    if (key == NULL)
    {
        CopyTextBounded(buffer, size, defaultText);
        return buffer;
    }
    DWORD length = size;
    BYTE* data = reinterpret_cast<BYTE*>(buffer);
    bool ok =
        RegQueryValueExA(key, name, NULL, NULL, data, &length) == ERROR_SUCCESS && length <= size;
    if (ok)
    {
        // Data stored without a terminator is ended here; when it fills the
        // whole buffer there is no room for one, so it counts as too long.
        if (length == 0)
        {
            buffer[0] = '\0';
        }
        else if (buffer[length - 1] != '\0')
        {
            if (length < size)
            {
                buffer[length] = '\0';
            }
            else
            {
                ok = false;
            }
        }
    }
    if (!ok)
    {
        CopyTextBounded(buffer, size, defaultText);
    }
    RegCloseKey(key);
    return buffer;
}

} // namespace

char* RegReadMachineString(const char* name, char* buffer, DWORD size, const char* defaultText)
{
    return ReadStringValue(HKEY_LOCAL_MACHINE, name, buffer, size, defaultText);
}

char* RegReadClassesString(const char* name, char* buffer, DWORD size, const char* defaultText)
{
    return ReadStringValue(HKEY_CLASSES_ROOT, name, buffer, size, defaultText);
}

namespace
{

bool WriteStringValue(HKEY hive, const char* name, const char* text)
{
    if (text == NULL)
    {
        return false;
    }
    HKEY key = OpenSelectedKeyToWrite(hive);
    if (key == NULL)
    {
        return false;
    }
    DWORD size = static_cast<DWORD>(strlen(text)) + 1;
    bool stored = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
                  ERROR_SUCCESS;
    RegCloseKey(key);
    return stored;
}

} // namespace

bool RegWriteMachineString(const char* name, const char* text)
{
    return WriteStringValue(HKEY_LOCAL_MACHINE, name, text);
}

char* RegReadUserString(const char* name, char* buffer, DWORD size, const char* defaultText)
{
    return ReadStringValue(HKEY_CURRENT_USER, name, buffer, size, defaultText);
}

bool RegWriteUserString(const char* name, const char* text)
{
    return WriteStringValue(HKEY_CURRENT_USER, name, text);
}
