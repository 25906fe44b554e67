// The editor's page-side text handling over any message: parsing gives an ignored message
// or an index inside the value table with a finite value; the outside-link command line
// keeps the address inside its quotes; a file URI holds only URI characters.
#include <cctype>
#include <cmath>
#include <cstring>

#include "fuzz_check.h"
#include "page_protocol.h"

static const uint64_t PARAMETER_COUNT = 4;
static const char COMMAND_PREFIX[] = "rundll32 url.dll,FileProtocolHandler \"";

static bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

static void check_page_message(const char* text) {
    PageMessage m = page_message_parse(text, PARAMETER_COUNT);
    switch (m.kind) {
    case PAGE_MESSAGE_IGNORED:
    case PAGE_MESSAGE_GET_ALL: break;
    case PAGE_MESSAGE_BEGIN:
    case PAGE_MESSAGE_SET:
    case PAGE_MESSAGE_END: {
        FUZZ_CHECK(m.index < PARAMETER_COUNT);
        float value;
        memcpy(&value, &m.valueBits, 4);
        FUZZ_CHECK(std::isfinite(value));
        break;
    }
    default: FUZZ_CHECK(!"unknown message kind");
    }
    char echo[PAGE_VALUE_TEXT_SIZE];
    page_value_format(echo, m.index, m.valueBits);
    FUZZ_CHECK(strlen(echo) == PAGE_VALUE_TEXT_SIZE - 1);
}

static void check_outside_link(const char* uri) {
    bool has_control = false;
    for (const unsigned char* p = (const unsigned char*)uri; *p; p++) has_control |= *p < 0x20 || *p == 0x7F;
    char* line = outside_link_command_line(uri);
    FUZZ_CHECK((line == nullptr) == has_control);
    if (!line) return;
    size_t length = strlen(line);
    FUZZ_CHECK(strncmp(line, COMMAND_PREFIX, sizeof COMMAND_PREFIX - 1) == 0);
    FUZZ_CHECK(length >= sizeof COMMAND_PREFIX && line[length - 1] == '"');
    FUZZ_CHECK(strchr(line + sizeof COMMAND_PREFIX - 1, '"') == line + length - 1);
    free(line);
}

static void check_file_uri(const char* directory, const char* file_name) {
    char* uri = file_uri_from_path(directory, file_name);
    FUZZ_CHECK(uri != nullptr);
    FUZZ_CHECK(navigation_stays_inside(uri));
    for (const char* p = uri; *p; p++) {
        if (*p == '%') {
            FUZZ_CHECK(is_hex(p[1]) && is_hex(p[2]));
            continue;
        }
        FUZZ_CHECK(isalnum((unsigned char)*p) || strchr("-._~!$&'()*+,;=:@/", *p));
    }
    free(uri);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the message and its terminator, as the editor hands it over.
    char* text = (char*)malloc(size + 1);
    memcpy(text, data, size);
    text[size] = 0;
    check_page_message(text);
    navigation_stays_inside(text);
    check_outside_link(text);
    // A newline splits the input into a directory and a file name.
    char* split = strchr(text, '\n');
    if (split) *split = 0;
    check_file_uri(text, split ? split + 1 : "index.html");
    free(text);
    return 0;
}
