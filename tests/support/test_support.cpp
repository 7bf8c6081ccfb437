#include "support/test_support.h"

#include <stdlib.h>

std::string SolmirScrPath()
{
    // CTest hands over the Unix path; Wine maps the Unix root to drive Z:.
    if (__argc < 2)
    {
        return std::string();
    }
    std::string path = __argv[1];
    if (!path.empty() && path[0] == '/')
    {
        path = "Z:" + path;
    }
    for (char& c : path)
    {
        if (c == '/')
        {
            c = '\\';
        }
    }
    return path;
}

bool ReadFileBytes(const std::string& path, std::string* pBytes)
{
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    DWORD size = GetFileSize(hFile, NULL);
    pBytes->assign(size, '\0');
    DWORD read = 0;
    BOOL ok = size == 0 || ReadFile(hFile, &(*pBytes)[0], size, &read, NULL);
    CloseHandle(hFile);
    return ok && read == size;
}
