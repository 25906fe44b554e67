// Audio files through libsndfile: the input as it is, the output in the container that the
// output's type or extension asks for, with the input's string tags and channel map.
#pragma once
#include <sndfile.h>

#include "options.h"

// Opens an audio file ("-": standard input) for reading; reports under name and returns null
// when it cannot.
SNDFILE* audio_open_input(const char* path, const char* name, SF_INFO* info);

// The container that an extension names ("wav", "flac", "mp3"...): its major format, or 0.
int audio_container(const char* extension, SF_FORMAT_INFO* container);

// The libsndfile format for writing the input's channels and rate in the container. Without an
// explicit sample format, a container that cannot hold float gets the next best and a note says
// so; MPEG is written as Layer III. WAV becomes WAVE_FORMAT_EXTENSIBLE when the input has a
// channel map, so that the map is kept. Reports under name and returns -1 when the container
// cannot hold what is asked.
int audio_output_format(const char* name, const SF_FORMAT_INFO& container, SNDFILE* input,
                        const SF_INFO& input_info, SampleFormat format, bool format_given,
                        int* sf_format);

// Whether the format can be written where nothing can be rewritten afterwards (a pipe, a
// terminal): some containers go back to their header when they are closed.
bool audio_streams(int sf_format, const SF_INFO& input_info);

// Starts writing on the open descriptor fd (taken over and closed by sf_close), carrying over
// the input's string tags and channel map where the container holds them. Values beyond full
// scale are clipped, not wrapped, when written as PCM. Reports and returns null on failure.
SNDFILE* audio_open_output(int fd, const char* name, SNDFILE* input, const SF_INFO& input_info,
                           int sf_format);
