// Hands an outside address to the system's default handler (and waits for it to finish).
#include "editor_internal.h"

static void launch_and_wait(wchar_t* commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

static EditorLinkLauncher linkLauncher = launch_and_wait;

void editorSetLinkLauncher(EditorLinkLauncher launcher)
{
    linkLauncher = launcher ? launcher : launch_and_wait;
}

void editorLaunchLink(wchar_t* commandLine)
{
    linkLauncher(commandLine);
}
