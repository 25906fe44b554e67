#include "page_protocol.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One "%x" conversion: optional white space, optional 0x, at least one hex digit, no overflow.
static bool read_hex32(const char** cursor, uint32_t* out)
{
    const char* p = *cursor;
    while (is_space(*p)) p++;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(p[2]) >= 0) p += 2;
    if (hex_digit(*p) < 0) return false;
    uint64_t value = 0;
    for (; hex_digit(*p) >= 0; p++) {
        value = value * 16 + (uint64_t)hex_digit(*p);
        if (value > 0xFFFFFFFFu) return false;
    }
    *out = (uint32_t)value;
    *cursor = p;
    return true;
}

PageMessage page_message_parse(const char* text, uint64_t parameterCount)
{
    PageMessage message = {PAGE_MESSAGE_IGNORED, 0, 0};
    PageMessageKind kind;
    switch (text[0]) {
    case 'b': kind = PAGE_MESSAGE_BEGIN; break;
    case 's': kind = PAGE_MESSAGE_SET; break;
    case 'e': kind = PAGE_MESSAGE_END; break;
    case 'g': message.kind = PAGE_MESSAGE_GET_ALL; return message;
    default: return message;
    }
    // Skipping the separator of a one-byte message would read past the terminator.
    if (text[1] == '\0') return message;
    const char* cursor = text + 2;
    uint32_t index, bits;
    if (!read_hex32(&cursor, &index) || !read_hex32(&cursor, &bits)) return message;
    if (index >= parameterCount) return message;
    float value;
    memcpy(&value, &bits, sizeof value);
    if (!isfinite(value)) return message;
    message.kind = kind;
    message.index = index;
    message.valueBits = bits;
    return message;
}

void page_value_format(char out[PAGE_VALUE_TEXT_SIZE], uint32_t index, uint32_t valueBits)
{
    snprintf(out, PAGE_VALUE_TEXT_SIZE, "s %08x %08x", (unsigned)index, (unsigned)valueBits);
}

bool navigation_stays_inside(const char* uri)
{
    return strncmp(uri, "file:", 5) == 0;
}

char* outside_link_command_line(const char* uri)
{
    static const char prefix[] = "rundll32 url.dll,FileProtocolHandler \"";
    size_t length = sizeof prefix - 1 + 2;
    for (const unsigned char* p = (const unsigned char*)uri; *p; p++) {
        if (*p < 0x20 || *p == 0x7F) return NULL;
        length += *p == '"' ? 3 : 1;
    }
    char* line = (char*)malloc(length + 1);
    if (!line) return NULL;
    char* out = line;
    memcpy(out, prefix, sizeof prefix - 1);
    out += sizeof prefix - 1;
    for (const char* p = uri; *p; p++) {
        if (*p == '"') {
            memcpy(out, "%22", 3);
            out += 3;
        } else {
            *out++ = *p;
        }
    }
    *out++ = '"';
    *out = '\0';
    return line;
}

// RFC 3986 path characters: unreserved, sub-delims, ':', '@' and '/'.
static bool is_uri_path_char(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && strchr("-._~!$&'()*+,;=:@/", c) != NULL;
}

static size_t append_encoded(char* out, const char* text)
{
    static const char digits[] = "0123456789ABCDEF";
    size_t n = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        unsigned char c = *p == '\\' ? '/' : *p;
        if (is_uri_path_char(c)) {
            if (out) out[n] = (char)c;
            n++;
        } else {
            if (out) {
                out[n] = '%';
                out[n + 1] = digits[c >> 4];
                out[n + 2] = digits[c & 15];
            }
            n += 3;
        }
    }
    return n;
}

char* file_uri_from_path(const char* directory, const char* fileName)
{
    // "\\server\share" keeps its host after "file://"; a drive path gets an empty host.
    bool unc = (directory[0] == '\\' || directory[0] == '/') &&
               (directory[1] == '\\' || directory[1] == '/');
    const char* scheme = unc ? "file:" : "file:///";
    size_t dirLength = strlen(directory);
    bool needsSlash = dirLength > 0 && directory[dirLength - 1] != '\\' && directory[dirLength - 1] != '/';
    size_t length = strlen(scheme) + append_encoded(NULL, directory) + (needsSlash ? 1 : 0) +
                    append_encoded(NULL, fileName);
    char* uri = (char*)malloc(length + 1);
    if (!uri) return NULL;
    size_t n = strlen(scheme);
    memcpy(uri, scheme, n);
    n += append_encoded(uri + n, directory);
    if (needsSlash) uri[n++] = '/';
    n += append_encoded(uri + n, fileName);
    uri[n] = '\0';
    return uri;
}
