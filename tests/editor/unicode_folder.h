// Folders whose names go beyond ASCII (and beyond any ANSI code page), filled with copies of
// built files, for checking that the editor and the plug-ins reach files in them. Header only:
// the editor, LV2 and VST3 tests all share it.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// "velmo-Ünïcode-λ-テスト" in UTF-8, and as it appears percent-encoded in a file:/// URI.
inline constexpr char unicodeName[] = "velmo-\xC3\x9Cn\xC3\xAF" "code-\xCE\xBB-\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";
inline constexpr char unicodeNameInUri[] = "velmo-%C3%9Cn%C3%AFcode-%CE%BB-%E3%83%86%E3%82%B9%E3%83%88";

inline std::wstring utf8_to_wide(const std::string& text)
{
    std::wstring result(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], (int)result.size());
    result.resize(length > 0 ? (size_t)length - 1 : 0);
    return result;
}

// The temporary folder followed by `name` (UTF-8, no separator at the end).
inline std::string temp_subfolder(const std::string& name)
{
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(MAX_PATH + 1, path);
    return std::string(path, length) + name;
}

// Creates `folder` (UTF-8, missing parents too) and copies each file (UTF-8 path) into it under
// its own name. False if anything failed.
inline bool copy_into_folder(const std::string& folder, const std::vector<std::string>& files)
{
    std::wstring path = utf8_to_wide(folder);
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), NULL);
    CreateDirectoryW(path.c_str(), NULL);
    DWORD attributes = GetFileAttributesW(path.c_str());
    bool copied = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    for (const std::string& file : files) {
        std::string name = file.substr(file.find_last_of("\\/") + 1);
        copied = copied && CopyFileW(utf8_to_wide(file).c_str(), utf8_to_wide(folder + "\\" + name).c_str(), FALSE);
    }
    return copied;
}

// Deletes the folder and everything in it.
inline void remove_folder_tree(const std::string& folder)
{
    std::wstring from = utf8_to_wide(folder);
    from.push_back(L'\0'); // the list ends with two NULs
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationW(&operation);
}
