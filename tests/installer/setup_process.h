// Running the installer, the uninstaller and the installed saver as Windows would, and
// answering the questions they ask.
#pragma once

#include <windows.h>
#include <string>

// A started command together with every process it starts in turn: the uninstaller copies
// itself to the temporary folder, starts the copy and exits at once.
struct ProcessTree
{
    HANDLE hJob;     // job holding the whole tree; closing it ends what is left
    HANDLE hProcess; // the first process
};

// Starts `commandLine` exactly as given (CreateProcessA without an application name).
bool StartProcessTree(const std::string& commandLine, ProcessTree* pTree);
// Waits until every process of the tree has ended; false on timeout.
bool WaitProcessTree(const ProcessTree& tree, DWORD timeoutMs);
// Exit code of the first process, or STILL_ACTIVE.
DWORD GetTreeExitCode(const ProcessTree& tree);
// Ends whatever is left of the tree and closes its handles; safe to call twice.
void CloseProcessTree(ProcessTree* pTree);
// Starts the command and waits for its last process; false when it did not start or end.
bool RunProcessTree(const std::string& commandLine, DWORD timeoutMs, DWORD* pExitCode);

// Waits for a shown top-level dialog (a message box, a wizard) with a control whose text
// contains `fragment`; NULL when none appeared in time.
HWND WaitForDialog(const std::string& fragment, DWORD timeoutMs);
// Presses button `buttonId` (IDYES, IDNO, IDOK) of a dialog; false when it has no such button.
// A wizard's Next, Install and Finish buttons are IDOK.
bool PressDialogButton(HWND hDialog, int buttonId);
// Both of the above.
bool AnswerDialog(const std::string& fragment, int buttonId, DWORD timeoutMs);
