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
