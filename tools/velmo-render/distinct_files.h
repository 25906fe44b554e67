// IN, OUT and the trace must be three different files: writing one must never replace another.
#pragma once
#include "options.h"

// Reports and returns -1 when two of them name the same file, however spelt (links, "./",
// "-" for the standard streams); a file that does not exist yet can only clash with another
// one that would be created at the same place.
int check_distinct_files(const RenderOptions* options);
