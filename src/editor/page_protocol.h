// Text protocol between the editor page and the plug-in, and the navigation policy.
// Pure functions on UTF-8 text: no Win32, so they build and are tested on every platform.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum PageMessageKind {
    PAGE_MESSAGE_IGNORED = 0, // unknown first byte, bad numbers, index out of range
    PAGE_MESSAGE_BEGIN,       // "b": a gesture starts
    PAGE_MESSAGE_SET,         // "s": a value is set
    PAGE_MESSAGE_END,         // "e": a gesture ends
    PAGE_MESSAGE_GET_ALL,     // "g": the page asks for every value
};

struct PageMessage {
    PageMessageKind kind;
    uint32_t index;     // valid for BEGIN, SET and END: always below the parameter count
    uint32_t valueBits; // IEEE-754 single-precision bit pattern of a finite value
};

// First byte selects the message, the second is a separator of any kind, then "%x %x".
PageMessage page_message_parse(const char* text, uint64_t parameterCount);

// "s %08x %08x" plus NUL.
enum { PAGE_VALUE_TEXT_SIZE = 20 };
void page_value_format(char out[PAGE_VALUE_TEXT_SIZE], uint32_t index, uint32_t valueBits);

// The browser control may only show local files ("file:", case-sensitive).
bool navigation_stays_inside(const char* uri);

// "rundll32 url.dll,FileProtocolHandler \"<uri>\"" in a new malloc'd buffer. A quote inside the
// URI is percent-encoded so that it cannot end the quoted argument; a URI with control
// characters is refused (null). Also null when out of memory.
char* outside_link_command_line(const char* uri);

// "file:///C:/dir/index.html" (or "file://server/share/..." for a UNC path) for a Windows
// directory and a file name in it, in a new malloc'd buffer; every byte outside the URI path
// characters is percent-encoded. Null when out of memory.
char* file_uri_from_path(const char* directory, const char* fileName);
