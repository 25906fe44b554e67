#include "wide_text.h"

#include <windows.h>

#include <stdlib.h>

wchar_t* utf8_to_wide(const char* text, size_t extraCharacters)
{
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, NULL, 0);
    if (length <= 0) return NULL;
    wchar_t* wide = (wchar_t*)malloc(((size_t)length + extraCharacters) * sizeof(wchar_t));
    if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, length) != length) {
        free(wide);
        return NULL;
    }
    return wide;
}

char* wide_to_utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, NULL, 0, NULL, NULL);
    if (size <= 0) return NULL;
    char* utf8 = (char*)malloc((size_t)size);
    if (utf8 && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, utf8, size, NULL, NULL) != size) {
        free(utf8);
        return NULL;
    }
    return utf8;
}
