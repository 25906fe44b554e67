// Rewrites the corpus blobs of this build's platform: state_corpus_write <directory>
#include <cstdio>

#include "state_corpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    for (const CorpusBlob& blob : corpus_blobs()) {
        std::string path = std::string(argv[1]) + "/" + blob.file;
        FILE* file = fopen(path.c_str(), "wb");
        if (!file || fwrite(blob.bytes.data(), 1, blob.bytes.size(), file) != blob.bytes.size() ||
            fclose(file) != 0) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        printf("%s (%zu bytes)\n", path.c_str(), blob.bytes.size());
    }
    return 0;
}
