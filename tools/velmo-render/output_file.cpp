#include "output_file.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int output_file_open(OutputFile* file, const char* path) {
    struct stat info;
    if (strcmp(path, "-") == 0) {
        file->direct = true;
        file->fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    } else if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        file->direct = true;
        file->fd = open(path, O_WRONLY | O_CLOEXEC);
    } else {
        file->direct = false;
        file->fd = temp_file_create(&file->temp, path);
    }
    if (file->fd < 0) return -1;
    file->seekable = lseek(file->fd, 0, SEEK_CUR) >= 0;
    return 0;
}

int output_file_commit(OutputFile* file) { return file->direct ? 0 : temp_file_commit(&file->temp); }

void output_file_discard(OutputFile* file) {
    if (!file->direct) temp_file_discard(&file->temp);
}
