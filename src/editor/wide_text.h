// UTF-8 to and from the UTF-16 that Windows calls take (Windows only). Each returns a new string
// (release with free()), or null when the text is not valid in its encoding or memory runs out.
#pragma once
#include <stddef.h>
#include <wchar.h>

// `extraCharacters` more wide characters are allocated past the terminator, for appending.
wchar_t* utf8_to_wide(const char* text, size_t extraCharacters);
char* wide_to_utf8(const wchar_t* text);
