// Where a chain of symbolic links ends, so that a file written through a link replaces the
// link's target and the link stays.
#pragma once
#include <cstddef>

// Writes into target the path that path's symbolic links lead to (path itself when it is not a
// link; the missing end of a dangling link). Returns 0, or -1 with errno set (ELOOP,
// ENAMETOOLONG).
int follow_links(const char* path, char* target, size_t size);
