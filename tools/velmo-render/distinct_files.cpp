#include "distinct_files.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "link_target.h"
#include "report.h"

// What a path names: the file that is there, or else the directory entry a new file would take.
struct FileIdentity {
    bool known;
    bool exists;
    dev_t device;
    ino_t inode;
    char name[4096];  // for a file not yet there: its name in that directory
};

static FileIdentity identify(const char* path, int standard_fd) {
    FileIdentity id;
    memset(&id, 0, sizeof id);
    struct stat info = {};
    if (strcmp(path, "-") == 0) id.exists = fstat(standard_fd, &info) == 0;
    else id.exists = stat(path, &info) == 0;
    char target[4096];
    if (!id.exists && strcmp(path, "-") != 0 && follow_links(path, target, sizeof target) == 0) {
        // Where the file would be created: the directory holding the end of the link chain.
        const char* slash = strrchr(target, '/');
        const char* name = slash ? slash + 1 : target;
        strcpy(id.name, name);
        if (slash == target) strcpy(target, "/");
        else if (slash) target[slash - target] = '\0';
        else strcpy(target, ".");
        id.known = stat(target, &info) == 0;
    } else {
        id.known = id.exists;
    }
    id.device = info.st_dev;
    id.inode = info.st_ino;
    return id;
}

static bool same(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.exists == b.exists && a.device == b.device && a.inode == b.inode &&
           strcmp(a.name, b.name) == 0;
}

int check_distinct_files(const RenderOptions* options) {
    struct Named {
        const char* role;
        const char* path;
        FileIdentity id;
    };
    Named files[3] = {{"IN", options->input_path, identify(options->input_path, STDIN_FILENO)},
                      {"OUT", options->output_path, identify(options->output_path, STDOUT_FILENO)},
                      {"--trace", options->trace_path, {}}};
    int count = 2;
    if (options->trace_path) files[count++].id = identify(options->trace_path, STDOUT_FILENO);
    for (int a = 0; a < count; a++) {
        for (int b = a + 1; b < count; b++) {
            if (!same(files[a].id, files[b].id)) continue;
            report("%s '%s' and %s '%s' are the same file; nothing was written", files[a].role,
                   files[a].path, files[b].role, files[b].path);
            return -1;
        }
    }
    return 0;
}
