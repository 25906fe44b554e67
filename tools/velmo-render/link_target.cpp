#include "link_target.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

// The limit the kernel itself applies when following links.
enum { MAX_LINKS = 40 };

static int copy_path(char* target, size_t size, const char* directory, int directory_length,
                     const char* name) {
    int written = snprintf(target, size, "%.*s%s", directory_length, directory, name);
    if (written < 0 || (size_t)written >= size) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return 0;
}

int follow_links(const char* path, char* target, size_t size) {
    if (copy_path(target, size, "", 0, path) != 0) return -1;
    for (int links = 0; links < MAX_LINKS; links++) {
        char link[4096];
        ssize_t n = readlink(target, link, sizeof link);
        if (n < 0) return 0;  // not a link, or nothing there yet: the path itself is the target
        if ((size_t)n == sizeof link) {
            errno = ENAMETOOLONG;
            return -1;
        }
        link[n] = '\0';
        // A relative link is relative to the directory that holds it.
        char current[4096];
        if (copy_path(current, sizeof current, "", 0, target) != 0) return -1;
        const char* slash = strrchr(current, '/');
        int directory_length = link[0] == '/' || !slash ? 0 : (int)(slash - current + 1);
        if (copy_path(target, size, current, directory_length, link) != 0) return -1;
    }
    errno = ELOOP;
    return -1;
}
