// The state's numbers are stored little-endian whatever the machine.
#pragma once
#include <cstdint>
#include <cstring>

inline void write_u32_le(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (8 * i));
}

inline uint32_t read_u32_le(const uint8_t* in) {
    return (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 | (uint32_t)in[3] << 24;
}

inline void write_f32_le(uint8_t* out, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    write_u32_le(out, bits);
}

inline float read_f32_le(const uint8_t* in) {
    uint32_t bits = read_u32_le(in);
    float value;
    memcpy(&value, &bits, 4);
    return value;
}
