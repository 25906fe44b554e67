#include "audio_io.h"

#include <cstring>
#include <strings.h>

#include "report.h"

SNDFILE* audio_open_input(const char* path, SF_INFO* info) {
    memset(info, 0, sizeof *info);
    SNDFILE* file = sf_open(path, SFM_READ, info);
    if (!file) report("%s: cannot read audio: %s", path, sf_strerror(nullptr));
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

// The container libsndfile lists for the extension; a few common spellings it does not list
// are mapped to the ones it does. 0 when there is none.
static int container_for_extension(const char* path, SF_FORMAT_INFO* container) {
    static const char* const aliases[][2] = {{"aif", "aiff"}, {"ogg", "oga"}, {"mp3", "m1a"}};
    const char* dot = strrchr(path, '.');
    const char* slash = strrchr(path, '/');
    if (!dot || (slash && dot < slash)) return 0;
    const char* extension = dot + 1;
    for (const auto& alias : aliases)
        if (strcasecmp(extension, alias[0]) == 0) extension = alias[1];
    for (int i = 0, n = format_count(SFC_GET_FORMAT_MAJOR_COUNT); i < n; i++) {
        *container = format_entry(SFC_GET_FORMAT_MAJOR, i);
        if (strcasecmp(extension, container->extension) == 0) return container->format;
    }
    return 0;
}

static bool can_write(int sf_format, const SF_INFO& input) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = input.samplerate;
    info.channels = input.channels;
    info.format = sf_format;
    return sf_format_check(&info) != 0;
}

static const char* const format_names[] = {"float", "pcm24", "pcm16"};
static const int format_subtypes[] = {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};

int audio_output_format(const char* path, const SF_INFO& input, SampleFormat format,
                        bool format_given, int* sf_format) {
    SF_FORMAT_INFO container;
    int major = container_for_extension(path, &container);
    if (!major) {
        report("%s: unknown output type (use an extension such as .wav, .flac or .aiff)", path);
        return -1;
    }
    if (format_given) {
        *sf_format = major | format_subtypes[format];
        if (can_write(*sf_format, input)) return 0;
        report("%s: %s cannot hold --format %s for %d-channel audio at %d Hz", path, container.name,
               format_names[format], input.channels, input.samplerate);
        return -1;
    }
    // Float first, then the deepest PCM, then whatever the container is made for (Ogg Vorbis).
    for (int subtype : format_subtypes) {
        *sf_format = major | subtype;
        if (can_write(*sf_format, input)) break;
        *sf_format = 0;
    }
    for (int i = 0, n = format_count(SFC_GET_FORMAT_SUBTYPE_COUNT); !*sf_format && i < n; i++) {
        int candidate = major | format_entry(SFC_GET_FORMAT_SUBTYPE, i).format;
        if (can_write(candidate, input)) *sf_format = candidate;
    }
    if (!*sf_format) {
        report("%s: %s cannot hold %d-channel audio at %d Hz", path, container.name, input.channels,
               input.samplerate);
        return -1;
    }
    if ((*sf_format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT) {
        SF_FORMAT_INFO subtype;
        memset(&subtype, 0, sizeof subtype);
        subtype.format = *sf_format & SF_FORMAT_SUBMASK;
        sf_command(nullptr, SFC_GET_FORMAT_INFO, &subtype, sizeof subtype);
        report("note: %s: %s holds no float samples; writing %s", path, container.name, subtype.name);
    }
    return 0;
}

SNDFILE* audio_open_output(int fd, const char* path, const SF_INFO& input, int sf_format) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = input.samplerate;
    info.channels = input.channels;
    info.format = sf_format;
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        report("%s: cannot write audio: %s", path, sf_strerror(nullptr));
        return nullptr;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return file;
}
