// Stand-in for libFuzzer's driver in ordinary builds: runs each file given (or each file in
// each directory given) through the target once, so the committed corpus is replayed by the
// test suite and under the sanitizers without clang.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"

// The build hands over its own paths; under Wine the Unix root is drive Z:.
static std::string native_path(const char* path) {
#ifdef _WIN32
    if (path[0] == '/') return std::string("Z:") + path;
#endif
    return path;
}

static bool read_file(const std::string& path, std::vector<uint8_t>* bytes) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
    fclose(file);
    return true;
}

static void list_inputs(const std::string& path, std::vector<std::string>* inputs) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        inputs->push_back(path);
        return;
    }
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') list_inputs(path + "/" + entry->d_name, inputs);
    closedir(dir);
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; i++) list_inputs(native_path(argv[i]), &inputs);
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const std::string& path : inputs) {
        std::vector<uint8_t> bytes;
        if (!read_file(path, &bytes)) {
            fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        // An exact-size heap copy, as libFuzzer gives, so an overread is caught by ASan.
        uint8_t* exact = (uint8_t*)malloc(bytes.size() ? bytes.size() : 1);
        std::copy(bytes.begin(), bytes.end(), exact);
        LLVMFuzzerTestOneInput(exact, bytes.size());
        free(exact);
    }
    printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
