#include "audio_io.h"

#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include "report.h"

SNDFILE* audio_open_input(const char* path, const char* name, SF_INFO* info) {
    memset(info, 0, sizeof *info);
    SNDFILE* file = strcmp(path, "-") == 0 ? sf_open_fd(STDIN_FILENO, SFM_READ, info, SF_FALSE)
                                           : sf_open(path, SFM_READ, info);
    if (!file) report("%s: cannot read audio: %s", name, sf_strerror(nullptr));
    return file;
}

static SF_FORMAT_INFO format_entry(int command, int index) {
    SF_FORMAT_INFO entry;
    memset(&entry, 0, sizeof entry);
    entry.format = index;
    sf_command(nullptr, command, &entry, sizeof entry);
    return entry;
}

static int format_count(int command) {
    int count = 0;
    sf_command(nullptr, command, &count, sizeof count);
    return count;
}

// A few common spellings libsndfile does not list are mapped to the ones it does.
int audio_container(const char* extension, SF_FORMAT_INFO* container) {
    static const char* const aliases[][2] = {{"aif", "aiff"}, {"ogg", "oga"}, {"mp3", "m1a"}};
    for (const auto& alias : aliases)
        if (strcasecmp(extension, alias[0]) == 0) extension = alias[1];
    for (int i = 0, n = format_count(SFC_GET_FORMAT_MAJOR_COUNT); i < n; i++) {
        *container = format_entry(SFC_GET_FORMAT_MAJOR, i);
        if (strcasecmp(extension, container->extension) == 0) return container->format;
    }
    return 0;
}

static SF_INFO output_info(int sf_format, const SF_INFO& input) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = input.samplerate;
    info.channels = input.channels;
    info.format = sf_format;
    return info;
}

static bool can_write(int sf_format, const SF_INFO& input) {
    SF_INFO info = output_info(sf_format, input);
    return sf_format_check(&info) != 0;
}

// The input's channel map, or an empty one when it has none.
static std::vector<int> channel_map(SNDFILE* input, const SF_INFO& input_info) {
    std::vector<int> map((size_t)input_info.channels);
    if (sf_command(input, SFC_GET_CHANNEL_MAP_INFO, map.data(), (int)(map.size() * sizeof(int))) != SF_TRUE)
        map.clear();
    return map;
}

// The coding of a container that holds neither float nor PCM: Layer III for MPEG (the layer
// libsndfile encodes, although it lists Layer I and II first), else the first it can hold
// (Vorbis for Ogg). 0 when there is none.
static int native_coding(int major, const SF_INFO& input_info) {
    if (major == SF_FORMAT_MPEG)
        return can_write(major | SF_FORMAT_MPEG_LAYER_III, input_info) ? major | SF_FORMAT_MPEG_LAYER_III : 0;
    for (int i = 0, n = format_count(SFC_GET_FORMAT_SUBTYPE_COUNT); i < n; i++) {
        int candidate = major | format_entry(SFC_GET_FORMAT_SUBTYPE, i).format;
        if (can_write(candidate, input_info)) return candidate;
    }
    return 0;
}

static const char* const format_names[] = {"float", "pcm24", "pcm16"};
static const int format_subtypes[] = {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};

int audio_output_format(const char* name, const SF_FORMAT_INFO& container, SNDFILE* input,
                        const SF_INFO& input_info, SampleFormat format, bool format_given,
                        int* sf_format) {
    int major = container.format;
    if (major == SF_FORMAT_WAV && !channel_map(input, input_info).empty()) major = SF_FORMAT_WAVEX;
    if (format_given) {
        *sf_format = major | format_subtypes[format];
        if (can_write(*sf_format, input_info)) return 0;
        report("%s: %s cannot hold --format %s for %d-channel audio at %d Hz", name, container.name,
               format_names[format], input_info.channels, input_info.samplerate);
        return -1;
    }
    // Float first, then the deepest PCM, then what the container is made for.
    for (int subtype : format_subtypes) {
        *sf_format = major | subtype;
        if (can_write(*sf_format, input_info)) break;
        *sf_format = 0;
    }
    if (!*sf_format) *sf_format = native_coding(major, input_info);
    if (!*sf_format) {
        report("%s: %s cannot hold %d-channel audio at %d Hz", name, container.name,
               input_info.channels, input_info.samplerate);
        return -1;
    }
    if ((*sf_format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT) {
        SF_FORMAT_INFO subtype;
        memset(&subtype, 0, sizeof subtype);
        subtype.format = *sf_format & SF_FORMAT_SUBMASK;
        sf_command(nullptr, SFC_GET_FORMAT_INFO, &subtype, sizeof subtype);
        report("note: %s: %s holds no float samples; writing %s", name, container.name, subtype.name);
    }
    return 0;
}

// Asks libsndfile itself: a container that needs to go back refuses to open on a pipe. The
// pipe is our own and non-blocking, so the probe's few header bytes can never wait for a reader.
bool audio_streams(int sf_format, const SF_INFO& input_info) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    SF_INFO info = output_info(sf_format, input_info);
    SNDFILE* probe = sf_open_fd(pipe_fds[1], SFM_WRITE, &info, SF_FALSE);
    if (probe) sf_close(probe);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    return probe != nullptr;
}

// Tags and channel map go in before the first sample: some containers write them up front.
static void copy_metadata(SNDFILE* input, const SF_INFO& input_info, SNDFILE* output) {
    for (int id = SF_STR_FIRST; id <= SF_STR_LAST; id++) {
        const char* text = sf_get_string(input, id);
        if (text) sf_set_string(output, id, text);  // refused where the container has no such tag
    }
    std::vector<int> map = channel_map(input, input_info);
    if (!map.empty()) sf_command(output, SFC_SET_CHANNEL_MAP_INFO, map.data(), (int)(map.size() * sizeof(int)));
}

SNDFILE* audio_open_output(int fd, const char* name, SNDFILE* input, const SF_INFO& input_info,
                           int sf_format) {
    SF_INFO info = output_info(sf_format, input_info);
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        report("%s: cannot write audio: %s", name, sf_strerror(nullptr));
        return nullptr;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    copy_metadata(input, input_info, file);
    return file;
}
