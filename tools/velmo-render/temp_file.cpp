#include "temp_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "link_target.h"

// The files a signal handler must remove; the renderer has at most two open at a time.
enum { MAX_OPEN = 4 };
static TempFile* volatile open_files[MAX_OPEN];

static void forget(TempFile* file) {
    for (int i = 0; i < MAX_OPEN; i++)
        if (open_files[i] == file) open_files[i] = nullptr;
}

int temp_file_create(TempFile* file, const char* final_path) {
    file->final_path = final_path;
    if (follow_links(final_path, file->target, sizeof file->target) != 0) return -1;
    // Hidden name in the target's directory, so the final rename never crosses a file system.
    const char* target = file->target;
    const char* slash = strrchr(target, '/');
    int dir_length = slash ? (int)(slash - target + 1) : 0;
    int written = snprintf(file->path, sizeof file->path, "%.*s.%s.XXXXXX", dir_length, target,
                           target + dir_length);
    if (written < 0 || (size_t)written >= sizeof file->path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int slot = 0;
    while (slot < MAX_OPEN && open_files[slot]) slot++;
    if (slot == MAX_OPEN) {
        errno = EMFILE;
        return -1;
    }
    open_files[slot] = file;  // before the file exists, so no signal can miss it
    int fd = mkstemp(file->path);
    if (fd < 0) {
        forget(file);
        return -1;
    }
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) {
        int saved = errno;
        close(fd);
        temp_file_discard(file);
        errno = saved;
        return -1;
    }
    return fd;
}

int temp_file_commit(TempFile* file) {
    forget(file);
    if (rename(file->path, file->target) == 0) return 0;
    int saved = errno;
    unlink(file->path);
    errno = saved;
    return -1;
}

void temp_file_discard(TempFile* file) {
    forget(file);
    unlink(file->path);
}

static void remove_open_files_and_die(int signal_number) {
    for (int i = 0; i < MAX_OPEN; i++)
        if (open_files[i]) unlink(open_files[i]->path);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

void temp_file_clean_on_signals() {
    signal(SIGINT, remove_open_files_and_die);
    signal(SIGTERM, remove_open_files_and_die);
    signal(SIGHUP, remove_open_files_and_die);
    signal(SIGPIPE, remove_open_files_and_die);  // the reader of a piped trace or output went away
}
