// velmo-page IN OUT: writes the editor page IN to OUT with its constants block written from
// the parameter table and the engine's tables (page_constants.h).
#include <cstdio>
#include <fstream>
#include <sstream>

#include "page_constants.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: velmo-page IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream page;
    page << in.rdbuf();
    std::string written;
    if (!in || !page_with_constants(page.str(), &written)) {
        fprintf(stderr, "velmo-page: %s: no page with a constants block\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    if (!(out << written) || !out.flush()) {
        fprintf(stderr, "velmo-page: %s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
