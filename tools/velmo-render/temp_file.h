// A regular file the renderer writes is first written to a temporary file beside its final
// path and renamed into place only when complete, so a failed or interrupted render never
// leaves a partial file behind. A symbolic link is followed: its target is replaced and the
// link stays.
#pragma once

struct TempFile {
    char path[4096];
    char target[4096];  // final_path with its symbolic links followed
    const char* final_path;
};

// Creates the temporary file beside final_path's target with the permissions a plain create
// would give. Returns its open descriptor, or -1 with errno set.
int temp_file_create(TempFile* file, const char* final_path);
// Renames the finished temporary file onto the target: 0, or -1 with errno set.
int temp_file_commit(TempFile* file);
// Removes the temporary file.
void temp_file_discard(TempFile* file);

// Makes SIGINT, SIGTERM, SIGHUP and SIGPIPE remove the temporary files that are still open.
void temp_file_clean_on_signals();
