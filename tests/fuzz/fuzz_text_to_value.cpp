// The host's text and number conversions over any input. The bytes are taken twice: as the
// UTF-16 text of a String128 (unterminated when it fills all 128 units) and as a normalised
// double (any bit pattern, NaN and infinities included). Nothing reads past the 128 units,
// parsed numbers are finite, displayed text is digits, '-' and '.' (or "nan"/"inf"), and
// snapping always lands on a whole number inside the range.
#include <cmath>
#include <cstring>

#include "plugin/params.h"
#include "fuzz_check.h"

static const uint32_t UNKNOWN_ID = 12345u;

static void check_display_text(const char16_t* text) {
    size_t length = 0;
    while (length < VALUE_TEXT_LENGTH && text[length]) length++;
    FUZZ_CHECK(length < VALUE_TEXT_LENGTH);
    for (size_t i = 0; i < length; i++) {
        char16_t c = text[i];
        FUZZ_CHECK((c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u'n' || c == u'a' ||
                   c == u'i' || c == u'f');
    }
}

static void check_id(uint32_t id, const char16_t* text, double normalized) {
    int index = param_index_of_id(id);
    double parsed = 0.0;
    FUZZ_CHECK(text_to_value(id, text, &parsed) == (index >= 0));
    if (index >= 0) FUZZ_CHECK(std::isfinite(parsed));

    char16_t display[VALUE_TEXT_LENGTH];
    FUZZ_CHECK(value_to_text(id, normalized, display) == (index >= 0));
    if (index >= 0) check_display_text(display);

    double snapped = snap_normalized(id, normalized);
    FUZZ_CHECK(std::isfinite(snapped) && snapped == std::floor(snapped));
    if (index >= 0) {
        const ParamDescription& d = param_descriptions[index];
        FUZZ_CHECK(snapped >= d.min && snapped <= d.max);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly 128 units on the heap: a read past them is an overflow ASan reports.
    char16_t* text = (char16_t*)malloc(VALUE_TEXT_LENGTH * sizeof(char16_t));
    const size_t capacity = VALUE_TEXT_LENGTH;
    size_t units = size / 2 < capacity ? size / 2 : capacity;
    memcpy(text, data, units * 2);
    if (units < capacity) text[units] = 0;

    double normalized = 0.0;
    memcpy(&normalized, data, size < 8 ? size : 8);

    for (const ParamDescription& p : param_descriptions) check_id(p.id, text, normalized);
    check_id(UNKNOWN_ID, text, normalized);

    float plain = 0.0f;
    memcpy(&plain, data, size < 4 ? size : 4);
    float port = snap_control_value(plain);
    FUZZ_CHECK(port >= 0.0f && port <= 15.0f && port == std::floor(port));
    free(text);
    return 0;
}
