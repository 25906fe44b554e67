#include "helper_processes.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

std::vector<pid_t> helper_children(void) {
    std::vector<pid_t> pids;
    DIR* processes = opendir("/proc");
    for (dirent* entry; processes && (entry = readdir(processes)) != nullptr;) {
        std::string stat_path = std::string("/proc/") + entry->d_name + "/stat";
        FILE* stat = fopen(stat_path.c_str(), "r");
        if (!stat) continue;
        char line[512] = {};
        bool read = fgets(line, sizeof line, stat) != nullptr;
        fclose(stat);
        // "pid (name) state ppid ...".
        int parent = 0;
        const char* rest = read ? strrchr(line, ')') : nullptr;
        if (rest && sscanf(rest + 1, " %*c %d", &parent) == 1 && parent == getpid() &&
            strstr(line, "(velmo-editor)"))
            pids.push_back((pid_t)atoi(entry->d_name));
    }
    if (processes) closedir(processes);
    return pids;
}
