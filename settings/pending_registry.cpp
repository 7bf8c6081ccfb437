// PENDING: placeholders so the program links while the registry store is written.
// Delete each definition as its real implementation lands; delete the file when empty.
#include "settings/settings.h"

char g_szRegPath[64];
char g_szRegClass[40];

void RegSelectKey(HWND, const char*) {}
int32_t RegReadValue(const char*, int32_t d) { return d; }
bool RegWriteValue(const char*, int32_t) { return false; }
char* RegReadMachineString(const char*, char* b, DWORD, const char*) { return b; }
bool RegWriteMachineString(const char*, const char*) { return false; }
char* RegReadClassesString(const char*, char* b, DWORD, const char*) { return b; }
