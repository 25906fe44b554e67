#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "plugin/params.h"

static const uint32_t CUTOFF = 1784049613u, LFO_AMT = 394330366u, LFO_SPEED = 793359101u,
                      MOD_CUTOFF = 558397322u;

static std::string text_of(uint32_t id, double n) {
    char16_t text[VALUE_TEXT_LENGTH];
    EXPECT_TRUE(value_to_text(id, n, text));
    std::string s;
    for (const char16_t* c = text; *c; c++) s += (char)*c;
    return s;
}

static double value_of(uint32_t id, const char16_t* text) {
    double n = -1.0;
    EXPECT_TRUE(text_to_value(id, text, &n));
    return n;
}

TEST(Params, IdsAreTheMaskedHashOfTheStringIds) {
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        uint32_t h = 0;
        for (const char* c = param_descriptions[i].string_id; *c; c++)
            h = (uint32_t)(unsigned char)*c + (h << 6) + (h << 16) - h;
        EXPECT_EQ(h & 0x7FFFFFFFu, param_descriptions[i].id) << param_descriptions[i].string_id;
        EXPECT_EQ(param_index_of_id(param_descriptions[i].id), (int)i);
    }
    EXPECT_EQ(param_index_of_id(MOD_CUTOFF), 3);
    EXPECT_EQ(param_index_of_id(12345u), -1);
    EXPECT_EQ(param_descriptions[3].flags, PARAM_FLAG_READ_ONLY);
    EXPECT_EQ(param_descriptions[3].max, 255.0);
}

TEST(Params, SnapRoundsHalfAwayFromZeroAndClamps) {
    EXPECT_EQ(snap_normalized(LFO_SPEED, 0.5), 8.0);
    EXPECT_EQ(snap_normalized(LFO_SPEED, 0.4666666666666667), 7.0);
    for (uint32_t id : {CUTOFF, LFO_AMT, LFO_SPEED}) {
        EXPECT_EQ(snap_normalized(id, 1.2), 15.0);
        EXPECT_EQ(snap_normalized(id, -0.1), 0.0);
        EXPECT_EQ(snap_normalized(id, NAN), 0.0);
        EXPECT_EQ(snap_normalized(id, INFINITY), 15.0);
        EXPECT_EQ(snap_normalized(id, -INFINITY), 0.0);
    }
    EXPECT_EQ(snap_normalized(MOD_CUTOFF, 200.4 / 255.0), 200.0);
    EXPECT_FALSE(std::signbit(snap_normalized(CUTOFF, -0.02)));  // -0.3 rounds to +0, not -0
    EXPECT_EQ(snap_normalized(999u, 0.5), 0.0);
}

TEST(Params, ConversionsAreLinearAndUnclamped) {
    EXPECT_EQ(plain_from_normalized(CUTOFF, 0.5), 7.5);
    EXPECT_EQ(plain_from_normalized(MOD_CUTOFF, 1.0), 255.0);
    EXPECT_EQ(plain_from_normalized(CUTOFF, 2.0), 30.0);
    EXPECT_DOUBLE_EQ(normalized_from_plain(LFO_SPEED, 7.0), 7.0 / 15.0);
    EXPECT_EQ(normalized_from_plain(CUTOFF, -15.0), -1.0);
    EXPECT_EQ(plain_from_normalized(1u, 0.5), 0.0);
    EXPECT_EQ(normalized_from_plain(1u, 0.5), 0.0);
}

TEST(Params, TextTruncatesToTwoDecimals) {
    EXPECT_EQ(text_of(MOD_CUTOFF, 1.0), "255.00");
    EXPECT_EQ(text_of(MOD_CUTOFF, 0.9725490196078431), "248.00");
    EXPECT_EQ(text_of(CUTOFF, 0.02), "0.29");
    EXPECT_EQ(text_of(CUTOFF, 0.5), "7.50");
    EXPECT_EQ(text_of(CUTOFF, 1.0), "15.00");
    EXPECT_EQ(text_of(CUTOFF, 0.0), "0.00");
    EXPECT_EQ(text_of(CUTOFF, -0.1), "-1.50");
    EXPECT_EQ(text_of(CUTOFF, -0.01), "-0.14");  // 0.15 has no exact binary form
    char16_t untouched[VALUE_TEXT_LENGTH] = {u'x', 0};
    EXPECT_FALSE(value_to_text(7u, 0.5, untouched));
    EXPECT_EQ(untouched[0], u'x');
}

TEST(Params, TextOfHugeOrNonFiniteValuesStaysInsideTheBuffer) {
    char16_t text[VALUE_TEXT_LENGTH + 8];
    for (auto& c : text) c = u'#';
    for (double huge : {1e300, 1e308, 1.7976931348623157e308}) {
        format_plain_value(huge, text);
        EXPECT_EQ(text[VALUE_TEXT_LENGTH - 1], 0);
        EXPECT_EQ(text[VALUE_TEXT_LENGTH], u'#');
    }
    format_plain_value(NAN, text);
    EXPECT_EQ(std::u16string(text), u"nan");
    format_plain_value(-INFINITY, text);
    EXPECT_EQ(std::u16string(text), u"-inf");
}

TEST(Params, TextToValueStopsAtTheFirstMisfit) {
    EXPECT_EQ(value_of(CUTOFF, u"7.5"), 0.5);
    EXPECT_EQ(value_of(CUTOFF, u"abc"), 0.0);
    EXPECT_DOUBLE_EQ(value_of(CUTOFF, u"12x"), 0.8);
    EXPECT_DOUBLE_EQ(value_of(CUTOFF, u"12."), 0.8);  // a dot without digits ends the number
    EXPECT_DOUBLE_EQ(value_of(CUTOFF, u"-3"), -0.2);
    EXPECT_TRUE(std::signbit(value_of(CUTOFF, u"-")));
    EXPECT_DOUBLE_EQ(value_of(MOD_CUTOFF, u"25.5 Hz"), 0.1);
    EXPECT_DOUBLE_EQ(value_of(CUTOFF, u"30"), 2.0);  // no range check
    double n = 42.0;
    EXPECT_FALSE(text_to_value(0u, u"1", &n));
    EXPECT_EQ(n, 42.0);
}

TEST(Params, TextToValueReadsNoMoreThanAString128) {
    char16_t digits[VALUE_TEXT_LENGTH];
    for (auto& c : digits) c = u'1';  // no terminator anywhere
    EXPECT_GT(parse_plain_value(digits), 1e126);
}

TEST(Params, ControlValuesSnapInSinglePrecision) {
    EXPECT_EQ(snap_control_value(7.5f), 8.0f);
    EXPECT_EQ(snap_control_value(7.49f), 7.0f);
    EXPECT_EQ(snap_control_value(-0.4f), 0.0f);
    EXPECT_EQ(snap_control_value(-3.0f), 0.0f);
    EXPECT_EQ(snap_control_value(16.2f), 15.0f);
    EXPECT_EQ(snap_control_value(1e30f), 15.0f);
    EXPECT_EQ(snap_control_value(NAN), 0.0f);
    EXPECT_EQ(snap_control_value(INFINITY), 15.0f);
    EXPECT_EQ(snap_control_value(-INFINITY), 0.0f);
    EXPECT_EQ(snap_control_value(14.5f), 15.0f);
}
