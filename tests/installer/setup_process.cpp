#include "setup_process.h"

#include <string.h>

namespace
{

bool IsTreeEmpty(HANDLE hJob)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    if (!QueryInformationJobObject(hJob, JobObjectBasicAccountingInformation, &info, sizeof(info),
                                   NULL))
    {
        return false;
    }
    return info.ActiveProcesses == 0;
}

struct DialogSearch
{
    const std::string* pFragment;
    HWND hCandidate; // the top-level dialog being searched
    HWND hFound;
};

BOOL CALLBACK FindTextInChild(HWND hChild, LPARAM lParam)
{
    DialogSearch* pSearch = reinterpret_cast<DialogSearch*>(lParam);
    char text[1024];
    memset(text, 0, sizeof(text));
    GetWindowTextA(hChild, text, sizeof(text));
    if (strstr(text, pSearch->pFragment->c_str()) != NULL)
    {
        pSearch->hFound = pSearch->hCandidate;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam)
{
    char className[64];
    memset(className, 0, sizeof(className));
    GetClassNameA(hwnd, className, sizeof(className));
    if (!IsWindowVisible(hwnd) || strcmp(className, "#32770") != 0)
    {
        return TRUE;
    }
    DialogSearch* pSearch = reinterpret_cast<DialogSearch*>(lParam);
    pSearch->hCandidate = hwnd;
    // All descendants: a wizard's texts sit on a page inside the outer dialog.
    EnumChildWindows(hwnd, FindTextInChild, lParam);
    return pSearch->hFound == NULL;
}

} // namespace

bool StartProcessTree(const std::string& commandLine, ProcessTree* pTree)
{
    pTree->hJob = NULL;
    pTree->hProcess = NULL;
    // Wine starts its desktop process when a program first needs it; started by the installer
    // it would land in the job and never end. Make sure this process has started it already.
    GetDesktopWindow();

    HANDLE hJob = CreateJobObjectA(NULL, NULL);
    if (hJob == NULL)
    {
        return false;
    }
    // A failed test must not leave an installer waiting for an answer.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits));

    // Started suspended so the first process is in the job before it can start another.
    std::string buffer = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &buffer[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                        &process))
    {
        CloseHandle(hJob);
        return false;
    }
    if (!AssignProcessToJobObject(hJob, process.hProcess))
    {
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        CloseHandle(hJob);
        return false;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    pTree->hJob = hJob;
    pTree->hProcess = process.hProcess;
    return true;
}

bool WaitProcessTree(const ProcessTree& tree, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    if (WaitForSingleObject(tree.hProcess, timeoutMs) != WAIT_OBJECT_0)
    {
        return false;
    }
    while (!IsTreeEmpty(tree.hJob))
    {
        if (GetTickCount() - start > timeoutMs)
        {
            return false;
        }
        Sleep(20);
    }
    return true;
}

DWORD GetTreeExitCode(const ProcessTree& tree)
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(tree.hProcess, &code);
    return code;
}

void CloseProcessTree(ProcessTree* pTree)
{
    if (pTree->hJob != NULL)
    {
        TerminateJobObject(pTree->hJob, 1);
        CloseHandle(pTree->hJob);
        pTree->hJob = NULL;
    }
    if (pTree->hProcess != NULL)
    {
        CloseHandle(pTree->hProcess);
        pTree->hProcess = NULL;
    }
}

bool RunProcessTree(const std::string& commandLine, DWORD timeoutMs, DWORD* pExitCode)
{
    ProcessTree tree = {};
    if (!StartProcessTree(commandLine, &tree))
    {
        return false;
    }
    bool ended = WaitProcessTree(tree, timeoutMs);
    *pExitCode = GetTreeExitCode(tree);
    CloseProcessTree(&tree);
    return ended;
}

HWND WaitForDialog(const std::string& fragment, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        DialogSearch search = {};
        search.pFragment = &fragment;
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.hFound != NULL)
        {
            return search.hFound;
        }
        if (GetTickCount() - start > timeoutMs)
        {
            return NULL;
        }
        Sleep(50);
    }
}

bool PressDialogButton(HWND hDialog, int buttonId)
{
    HWND hButton = GetDlgItem(hDialog, buttonId);
    if (hButton == NULL)
    {
        return false;
    }
    // What a click on the button sends to the box.
    return PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(hButton)) != FALSE;
}

bool AnswerDialog(const std::string& fragment, int buttonId, DWORD timeoutMs)
{
    HWND hDialog = WaitForDialog(fragment, timeoutMs);
    return hDialog != NULL && PressDialogButton(hDialog, buttonId);
}
