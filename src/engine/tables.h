// Constant tables of the control path: oscillator step per speed, oscillator waveform per
// amount, and the curve from the 8-bit modulated cutoff to the filter's cutoff register.
#pragma once
#include <cstdint>

extern const uint8_t speed_steps[16];
extern const int8_t lfo_wave[16][256];
extern const uint16_t cutoff_curve[256];
// The filter's cutoff in Hz per step of the cutoff register.
const float HZ_PER_REGISTER_STEP = 6.430967f;
