// A file the renderer writes: a regular file (or a new one) goes through a temporary file
// that replaces it when complete (temp_file.h); standard output ("-"), a device or a FIFO is
// written directly, never renamed over.
#pragma once
#include "temp_file.h"

struct OutputFile {
    int fd;         // the caller closes it before committing
    bool direct;    // written in place: nothing to rename or remove afterwards
    bool seekable;  // false for a pipe or a terminal: only a streaming format can go there
    TempFile temp;
};

// Opens path ("-": standard output) for writing: 0, or -1 with errno set.
int output_file_open(OutputFile* file, const char* path);
// Puts the finished file in place: 0, or -1 with errno set.
int output_file_commit(OutputFile* file);
// Gives up on the file: removes the temporary file, if any.
void output_file_discard(OutputFile* file);
