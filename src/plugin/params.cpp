#include "plugin/params.h"

#define PARAM(index, id, symbol, title, short_title, units, min, max, def, flag) \
    {id, symbol, title, u"" title, u"" short_title, u"" units, min, max, def, (max) - (min),   \
     (double)((def) - (min)) / ((max) - (min)), PARAM_FLAG_##flag},
const ParamDescription param_descriptions[PARAM_COUNT] = {
#include "plugin/param_table.def"
};
#undef PARAM

#define PARAM(index, id, symbol, title, short_title, units, min, max, def, flag) (float)(def),
const float param_defaults[PARAM_COUNT] = {
#include "plugin/param_table.def"
};
#undef PARAM

int param_index_of_id(uint32_t id) {
    for (int i = 0; i < (int)PARAM_COUNT; i++)
        if (param_descriptions[i].id == id) return i;
    return -1;
}

double param_plain_of_normalized(uint32_t index, double n) {
    const ParamDescription& d = param_descriptions[index];
    return d.min + (d.max - d.min) * n;
}

double param_normalized_of_plain(uint32_t index, double p) {
    const ParamDescription& d = param_descriptions[index];
    return (p - d.min) / (d.max - d.min);
}

static double truncate_toward_zero(double x) {
    // Whole already beyond 2^52; NaN passes through unchanged.
    if (!(x > -4503599627370496.0 && x < 4503599627370496.0)) return x;
    return (double)(int64_t)x;
}

double param_snap(uint32_t index, double plain) {
    const ParamDescription& d = param_descriptions[index];
    double v = truncate_toward_zero(plain >= 0.0 ? plain + 0.5 : plain + -0.5);
    if (v < d.min) return d.min;
    if (v > d.max) return d.max;
    if (v != v) return d.min;  // NaN is no value: take the bottom of the range
    return v;
}

double plain_from_normalized(uint32_t id, double n) {
    int index = param_index_of_id(id);
    return index < 0 ? 0.0 : param_plain_of_normalized((uint32_t)index, n);
}

double normalized_from_plain(uint32_t id, double p) {
    int index = param_index_of_id(id);
    return index < 0 ? 0.0 : param_normalized_of_plain((uint32_t)index, p);
}

double snap_normalized(uint32_t id, double n) {
    int index = param_index_of_id(id);
    if (index < 0) return 0.0;
    return param_snap((uint32_t)index, param_plain_of_normalized((uint32_t)index, n));
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
