#include "engine/params.h"

const ParamDescription param_descriptions[PARAM_COUNT] = {
    {1784049613u, "cutoff", u"Cutoff", u"Cutoff", u"", 15, 1.0, 0, PARAM_FLAG_CAN_AUTOMATE},
    {394330366u, "lfo_amt", u"LFO Amount", u"LFO Amt", u"", 15, 0.0, 0, PARAM_FLAG_CAN_AUTOMATE},
    {793359101u, "lfo_speed", u"LFO Speed", u"LFO Speed", u"", 15, 7.0 / 15.0, 0,
     PARAM_FLAG_CAN_AUTOMATE},
    {558397322u, nullptr, u"Modulated Cutoff", u"Mod Cutoff", u"", 255, 248.0 / 255.0, 0,
     PARAM_FLAG_READ_ONLY},
};

const param_range input_ranges[PARAM_INPUT_COUNT] = {
    {0, 0.0, 15.0, 15.0, PARAM_KIND_INTEGER, 0.0},
    {1, 0.0, 15.0, 0.0, PARAM_KIND_INTEGER, 0.0},
    {2, 0.0, 15.0, 7.0, PARAM_KIND_INTEGER, 0.0},
};

const param_range output_ranges[1] = {
    {3, 0.0, 255.0, 248.0, PARAM_KIND_INTEGER, 0.0},
};

const uint32_t range_slot[PARAM_COUNT] = {0, 1, 2, 0};

const float param_defaults[PARAM_INPUT_COUNT] = {15.0f, 0.0f, 7.0f};

int param_index_of_id(uint32_t id) {
    for (int i = 0; i < (int)PARAM_COUNT; i++)
        if (param_descriptions[i].id == id) return i;
    return -1;
}

const param_range& param_range_of_index(uint32_t index) {
    if (param_descriptions[index].flags & PARAM_FLAG_READ_ONLY) return output_ranges[range_slot[index]];
    return input_ranges[range_slot[index]];
}

// The exponential mapping calls the C library; no parameter of this effect uses it.
extern "C" double exp(double);
extern "C" double log(double);

double range_plain_from_normalized(const param_range& range, double n) {
    if (range.kind_flags & PARAM_KIND_EXPONENTIAL) return range.min * exp(n * range.log_ratio);
    return range.min + (range.max - range.min) * n;
}

double range_normalized_from_plain(const param_range& range, double p) {
    if (range.kind_flags & PARAM_KIND_EXPONENTIAL) return log(p / range.min) / range.log_ratio;
    return (p - range.min) / (range.max - range.min);
}

static double truncate_toward_zero(double x) {
    // Whole already beyond 2^52; NaN passes through unchanged.
    if (!(x > -4503599627370496.0 && x < 4503599627370496.0)) return x;
    return (double)(int64_t)x;
}

double range_snap(const param_range& range, double plain) {
    double v = plain;
    if (range.kind_flags & PARAM_KIND_TOGGLE) {
        v = v >= 0.5 ? 1.0 : 0.0;
    } else if (range.kind_flags & PARAM_KIND_INTEGER) {
        v = truncate_toward_zero(v >= 0.0 ? v + 0.5 : v + -0.5);
    }
    if (v < range.min) return range.min;
    if (v > range.max) return range.max;
    if (v != v) return range.min;  // NaN is no value: take the bottom of the range
    return v;
}

double plain_from_normalized(uint32_t id, double n) {
    int index = param_index_of_id(id);
    return index < 0 ? 0.0 : range_plain_from_normalized(param_range_of_index((uint32_t)index), n);
}

double normalized_from_plain(uint32_t id, double p) {
    int index = param_index_of_id(id);
    return index < 0 ? 0.0 : range_normalized_from_plain(param_range_of_index((uint32_t)index), p);
}

double snap_plain(uint32_t id, double n) {
    int index = param_index_of_id(id);
    if (index < 0) return 0.0;
    const param_range& range = param_range_of_index((uint32_t)index);
    return range_snap(range, range_plain_from_normalized(range, n));
}

struct TextWriter {
    char16_t* text;
    int length;
    void put(char16_t c) {
        if (length < VALUE_TEXT_LENGTH - 1) text[length++] = c;
    }
    void put_digit(double d) {
        // A digit is 0 to 9 unless rounding in the divisions went astray; never write a non-digit.
        int digit = d >= 0.0 && d <= 9.0 ? (int)d : (d > 9.0 ? 9 : 0);
        put((char16_t)(u'0' + digit));
    }
};

void format_plain_value(double v, char16_t text[VALUE_TEXT_LENGTH]) {
    TextWriter out = {text, 0};
    if (v < 0.0) {
        out.put(u'-');
        v = -v;
    }
    if (v != v || v > 1.7976931348623157e308) {
        // No digits describe these; hosts only ask for values inside the range.
        const char16_t* word = v != v ? u"nan" : u"inf";
        for (; *word; word++) out.put(*word);
        text[out.length] = 0;
        return;
    }
    if (v < 1.0) {
        out.put(u'0');
    } else {
        double p = 1.0;
        while (v >= p && p <= 1.7976931348623157e307) p *= 10.0;  // never overflow to inf
        p /= 10.0;
        while (p >= 1.0) {
            double digit = truncate_toward_zero(v / p);
            out.put_digit(digit);
            v -= digit * p;
            p /= 10.0;
        }
    }
    out.put(u'.');
    double d1 = truncate_toward_zero(v / 0.1);
    out.put_digit(d1);
    v = v - d1 * 0.1;
    out.put_digit(truncate_toward_zero(v / 0.010000000000000002));
    text[out.length] = 0;
}

bool value_to_text(uint32_t id, double n, char16_t text[VALUE_TEXT_LENGTH]) {
    if (param_index_of_id(id) < 0) return false;
    format_plain_value(plain_from_normalized(id, n), text);
    return true;
}

static bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

double parse_plain_value(const char16_t* text) {
    // A host's text is a String128: never look past 128 units even if it lacks a terminator.
    const char16_t* end = text + VALUE_TEXT_LENGTH;
    const char16_t* c = text;
    bool negative = c < end && *c == u'-';
    if (negative) c++;
    double value = 0.0;
    for (; c < end && is_digit(*c); c++) value = value * 10.0 + (double)(*c - u'0');
    if (c + 1 < end && *c == u'.' && is_digit(c[1])) {
        double weight = 0.1;
        for (c++; c < end && is_digit(*c); c++) {
            value += (double)(*c - u'0') * weight;
            weight *= 0.1;
        }
    }
    return negative ? -value : value;
}

bool text_to_value(uint32_t id, const char16_t* text, double* normalized) {
    if (param_index_of_id(id) < 0) return false;
    *normalized = normalized_from_plain(id, parse_plain_value(text));
    return true;
}

float snap_control_value(float x) {
    float r = x >= 0.0f ? x + 0.5f : x + -0.5f;
    if (!(r < 16.0f)) return r >= 16.0f ? 15.0f : 0.0f;  // large values and NaN never reach the conversion
    int32_t n = r > -1.0f ? (int32_t)r : -1;
    if (n < 0) return 0.0f;
    float f = (float)n;
    return f > 15.0f ? 15.0f : f;
}
