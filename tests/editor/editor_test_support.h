// Shared by the editor host tests: paths, the stand-in runtime, a recording descriptor and
// counts of what the process holds.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "editor_internal.h"
#include "standin_control.h"

std::string exe_directory();
std::string temp_directory();

struct PageEdit {
    char kind; // 'b', 's' or 'e'
    uint32_t index;
    float value;
    DWORD thread;
};

// What the descriptor's callbacks saw; `answer` makes onEditorValue send index 3 straight back.
struct EditRecorder {
    std::vector<PageEdit> edits;
    EditorHost* answerHost;
};

// Opens an editor whose descriptor lives only inside this call.
EditorHost* open_editor(EditRecorder* recorder, bool hasParent, HWND parent, const char* moduleDirectory,
                        const char* resourcesDirectory, uint64_t parameterCount = 4);

HWND create_parent_window(int width, int height);

// Lines of the stand-in's log for one environment (-1: all).
std::vector<std::string> standin_lines(const StandinControl& standin, int environment);
std::string standin_text(const StandinControl& standin, int environment);
// The value after "key=" in the first log line that has it.
std::string log_value(const StandinControl& standin, int environment, const char* key);

int thread_count();
DWORD handle_count();
int temp_entries_named_vin(); // "vin*" files and folders in the temporary folder (the program's own)
bool path_exists(const std::string& path);
std::wstring widen(const std::string& text);

// Launches recorded instead of started.
extern std::vector<std::wstring> launchedCommandLines;
void record_launch(wchar_t* commandLine);
