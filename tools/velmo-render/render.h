// The render loop: every channel of the input through its own engine, block by block, with
// the parameter values and automation a host would deliver.
#pragma once
#include <cstdio>
#include <sndfile.h>

#include "options.h"

// Renders input into output. With a trace, writes channel 0's modulated cutoff after every
// control tick, one number per line. Reports and returns -1 on a read or write failure.
int render(SNDFILE* input, const SF_INFO& input_info, SNDFILE* output, RenderOptions* options,
           FILE* trace);
