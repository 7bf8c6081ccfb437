// PENDING: replaced by the real entry routine.
#include "shell/shell.h"
void SaverEntry()
{
    ExitProcess(0);
}
