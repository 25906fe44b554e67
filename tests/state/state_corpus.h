// Valid state blobs kept under tests/state/corpus/ as fuzzing seeds and as a guard against
// accidental format changes. Each build writes the blobs of its own platform; the
// platform-free ones come out the same everywhere.
#pragma once
#include <string>
#include <vector>

struct CorpusBlob {
    std::string file;
    std::string bytes;
    float values[3];  // what loading it applies
};

std::vector<CorpusBlob> corpus_blobs();
