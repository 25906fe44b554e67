// Audio files through libsndfile: the input as it is, the output in the container that the
// output name's extension asks for.
#pragma once
#include <sndfile.h>

#include "options.h"

// Opens an audio file for reading; reports and returns null when it cannot.
SNDFILE* audio_open_input(const char* path, SF_INFO* info);

// The libsndfile format for writing the input's channels and rate to path. Without an explicit
// sample format, a container that cannot hold float gets the next best and a note says so.
// Reports and returns -1 when the container is unknown or cannot hold what is asked.
int audio_output_format(const char* path, const SF_INFO& input, SampleFormat format,
                        bool format_given, int* sf_format);

// Starts writing on the open descriptor fd (taken over and closed by sf_close). Values beyond
// full scale are clipped, not wrapped, when written as PCM. Reports and returns null on failure.
SNDFILE* audio_open_output(int fd, const char* path, const SF_INFO& input, int sf_format);
