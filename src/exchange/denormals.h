// Flush-to-zero and denormals-are-zero for the length of an audio call, restoring exactly
// the caller's two bits afterwards (the other control bits are left as they are then).
#pragma once
#include <xmmintrin.h>

struct DenormalsOff {
    enum : unsigned { FLUSH_TO_ZERO = 0x8000u, DENORMALS_ARE_ZERO = 0x40u };
    unsigned saved;
    DenormalsOff() : saved(_mm_getcsr()) { _mm_setcsr(saved | FLUSH_TO_ZERO | DENORMALS_ARE_ZERO); }
    ~DenormalsOff() {
        const unsigned bits = FLUSH_TO_ZERO | DENORMALS_ARE_ZERO;
        _mm_setcsr((_mm_getcsr() & ~bits) | (saved & bits));
    }
    DenormalsOff(const DenormalsOff&) = delete;
    DenormalsOff& operator=(const DenormalsOff&) = delete;
};
