// Filling the fixed-width text fields of the interface structures: always terminated and
// zero-filled to the field's full width, so no stale bytes reach the host.
#pragma once
#include <cstddef>
#include <cstring>

inline void text_field_copy(char* to, size_t size, const char* from) {
    memset(to, 0, size);
    strncpy(to, from, size - 1);
}

inline void text_field_copy16(char16_t* to, size_t count, const char16_t* from) {
    memset(to, 0, count * sizeof(char16_t));
    for (size_t i = 0; i + 1 < count && from[i]; i++) to[i] = from[i];
}
