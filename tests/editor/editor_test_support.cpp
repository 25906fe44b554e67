#include "editor_test_support.h"

#include <tlhelp32.h>

#include <stdio.h>
#include <string.h>

#include "unicode_folder.h"

// The program's own temporary folder, made before any test runs and deleted at exit: the
// editor's temporary files and user-data folders then land there (GetTempPath reads TMP
// first), so that counting them sees this program's alone, whatever other editor tests run
// beside it (ctest -j).
static struct PrivateTempFolder {
    std::string path;
    PrivateTempFolder()
    {
        path = temp_subfolder("velmo-test-" + std::to_string(GetCurrentProcessId()));
        if (!CreateDirectoryA(path.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
            fprintf(stderr, "cannot make the temporary folder %s\n", path.c_str());
            ExitProcess(1);
        }
        SetEnvironmentVariableA("TMP", path.c_str());
        SetEnvironmentVariableA("TEMP", path.c_str());
    }
    ~PrivateTempFolder() { remove_folder_tree(path); }
} privateTempFolder;

std::vector<std::wstring> launchedCommandLines;

void record_launch(wchar_t* commandLine)
{
    launchedCommandLines.push_back(commandLine);
}

std::string exe_directory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}

std::string temp_directory()
{
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(MAX_PATH + 1, path);
    return std::string(path, length);
}

static const char* module_directory(void* user)
{
    return ((const std::string*)user)[0].c_str();
}

static const char* resources_directory(void* user)
{
    return ((const std::string*)user)[1].c_str();
}

static EditRecorder* recorderOfTest;

static void record(char kind, uint32_t index, float value)
{
    recorderOfTest->edits.push_back({kind, index, value, GetCurrentThreadId()});
}

EditorHost* open_editor(EditRecorder* recorder, bool hasParent, HWND parent, const char* moduleDirectory,
                        const char* resourcesDirectory, uint64_t parameterCount)
{
    static std::string directories[2];
    directories[0] = moduleDirectory;
    directories[1] = resourcesDirectory;
    recorderOfTest = recorder;
    EditorDescriptor descriptor = {};
    descriptor.user = directories;
    descriptor.formatName = "vst3";
    descriptor.getModuleDirectory = module_directory;
    descriptor.getResourcesDirectory = resources_directory;
    descriptor.onEditorBegin = [](void*, uint32_t index, float value) { record('b', index, value); };
    descriptor.onEditorValue = [](void*, uint32_t index, float value) {
        record('s', index, value);
        if (recorderOfTest->answerHost) editorSendValue(recorderOfTest->answerHost, 3, value + 5.0f);
    };
    descriptor.onEditorEnd = [](void*, uint32_t index, float value) { record('e', index, value); };
    EditorHost* host = editorOpen(hasParent, parent, &descriptor, 800, 600, parameterCount);
    memset(&descriptor, 0xCD, sizeof descriptor); // the host must have its own copy
    return host;
}

HWND create_parent_window(int width, int height)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "VelmoTestParent";
        registered = RegisterClassA(&windowClass) != 0;
    }
    return CreateWindowExA(0, "VelmoTestParent", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, width,
                           height, NULL, NULL, NULL, NULL);
}

std::string standin_text(const StandinControl& standin, int environment)
{
    std::string text((size_t)standin.log(environment, NULL, 0), '\0');
    standin.log(environment, &text[0], (int)text.size());
    text.resize(strlen(text.c_str()));
    return text;
}

std::vector<std::string> standin_lines(const StandinControl& standin, int environment)
{
    std::vector<std::string> lines;
    std::string text = standin_text(standin, environment);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string log_value(const StandinControl& standin, int environment, const char* key)
{
    std::string needle = std::string(key) + "=";
    for (const std::string& line : standin_lines(standin, environment)) {
        size_t at = line.find(needle);
        if (at == std::string::npos) continue;
        size_t start = at + needle.size();
        return line.substr(start, line.find(' ', start) - start);
    }
    return "";
}

int thread_count()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// The system's handle table (Wine does not keep GetProcessHandleCount).
DWORD handle_count()
{
    struct Entry {
        ULONG process;
        BYTE type;
        BYTE flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    typedef LONG(WINAPI * QueryFn)(int, void*, ULONG, ULONG*);
    QueryFn query = (QueryFn)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    std::vector<char> buffer(1 << 20);
    LONG status;
    while ((status = query(16 /* SystemHandleInformation */, buffer.data(), (ULONG)buffer.size(), NULL)) ==
           (LONG)0xC0000004 /* STATUS_INFO_LENGTH_MISMATCH */)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const Table* table = (const Table*)buffer.data();
    DWORD count = 0;
    for (ULONG i = 0; i < table->count; i++) count += table->entries[i].process == GetCurrentProcessId();
    return count;
}

int temp_entries_named_vin()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((temp_directory() + "vin*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do count++;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

bool path_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(length > 0 ? (size_t)length - 1 : 0);
    return wide;
}
