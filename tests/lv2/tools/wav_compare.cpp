// wav_compare A B [CHANNEL]: exit 0 when both files hold the same number of frames and channels and
// every sample is the same 32-bit float, bit for bit. Otherwise reports the first difference.
// With CHANNEL (from 1), only that channel of A is compared, with B holding just one.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static bool read_all(const char* path, SF_INFO* info, std::vector<float>* samples) {
    memset(info, 0, sizeof *info);
    SNDFILE* file = sf_open(path, SFM_READ, info);
    if (!file) {
        fprintf(stderr, "%s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    samples->resize((size_t)(info->frames * info->channels));
    sf_count_t got = sf_readf_float(file, samples->data(), info->frames);
    sf_close(file);
    return got == info->frames;
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        fputs("usage: wav_compare A.wav B.wav [CHANNEL]\n", stderr);
        return 2;
    }
    SF_INFO a_info, b_info;
    std::vector<float> a, b;
    if (!read_all(argv[1], &a_info, &a) || !read_all(argv[2], &b_info, &b)) return 2;
    if (argc == 4) {
        int channel = atoi(argv[3]);
        if (channel < 1 || channel > a_info.channels) {
            fprintf(stderr, "%s has no channel %s\n", argv[1], argv[3]);
            return 2;
        }
        std::vector<float> one((size_t)a_info.frames);
        for (size_t i = 0; i < one.size(); i++) one[i] = a[i * (size_t)a_info.channels + (size_t)channel - 1];
        a.swap(one);
        a_info.channels = 1;
    }
    if ((a_info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT ||
        (b_info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT) {
        fputs("both files must hold 32-bit float samples\n", stderr);
        return 1;
    }
    if (a_info.frames != b_info.frames || a_info.channels != b_info.channels ||
        a_info.samplerate != b_info.samplerate) {
        fprintf(stderr, "shape differs: %lld x %d @ %d against %lld x %d @ %d\n",
                (long long)a_info.frames, a_info.channels, a_info.samplerate,
                (long long)b_info.frames, b_info.channels, b_info.samplerate);
        return 1;
    }
    size_t differing = 0, first = 0;
    double largest = 0;
    for (size_t i = 0; i < a.size(); i++) {
        if (memcmp(&a[i], &b[i], sizeof(float)) == 0) continue;
        if (differing++ == 0) first = i;
        double d = std::fabs((double)a[i] - (double)b[i]);
        if (d > largest) largest = d;
    }
    if (differing) {
        fprintf(stderr, "%zu of %zu samples differ; first at %zu (%.9g against %.9g); largest difference %.3g\n",
                differing, a.size(), first, (double)a[first], (double)b[first], largest);
        return 1;
    }
    printf("%zu samples identical\n", a.size());
    return 0;
}
