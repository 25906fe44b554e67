// The editor page's copies of plug-in facts (the block between its BEGIN and END constants
// lines, and the labels and defaults of its PARAMS) agree with the parameter table and the
// engine's tables.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tables.h"
#include "plugin/params.h"

static std::string page_text() {
    std::ifstream file(VELMO_PAGE);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The block of shared constants, or "" when its markers are missing.
static std::string shared_block(const std::string& page) {
    size_t begin = page.find("// BEGIN constants shared with the plug-in");
    size_t end = page.find("// END constants shared with the plug-in");
    return begin == std::string::npos || end == std::string::npos || end < begin
               ? ""
               : page.substr(begin, end - begin);
}

// The numbers of `const NAME = ...;` in the block (one number or an array of them).
static std::vector<double> numbers_of(const std::string& block, const std::string& name) {
    std::smatch m;
    std::vector<double> numbers;
    if (!std::regex_search(block, m, std::regex("const " + name + " = ([^;]*);"))) return numbers;
    std::string values = m[1];
    std::regex number("-?[0-9]+(\\.[0-9]+)?");
    for (auto it = std::sregex_iterator(values.begin(), values.end(), number);
         it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stod(it->str()));
    return numbers;
}

TEST(PageConstants, AgreeWithTheTables) {
    std::string page = page_text();
    ASSERT_FALSE(page.empty()) << VELMO_PAGE;
    std::string block = shared_block(page);
    ASSERT_FALSE(block.empty()) << "the page lost its BEGIN/END constants markers";

    std::vector<double> curve = numbers_of(block, "CUTOFF_CURVE");
    ASSERT_EQ(curve.size(), 256u);
    for (size_t i = 0; i < 256; i++) EXPECT_EQ(curve[i], cutoff_curve[i]) << "CUTOFF_CURVE " << i;
    std::vector<double> speeds = numbers_of(block, "SPEED_STEPS");
    ASSERT_EQ(speeds.size(), 16u);
    for (size_t i = 0; i < 16; i++) EXPECT_EQ(speeds[i], speed_steps[i]) << "SPEED_STEPS " << i;

    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++)
        EXPECT_EQ(numbers_of(block, "STEP_MAX"), std::vector<double>{param_descriptions[i].max}) << i;
    EXPECT_EQ(numbers_of(block, "MOD_INDEX"), std::vector<double>{(double)PARAM_MOD_CUTOFF});
    EXPECT_EQ(numbers_of(block, "MOD_MAX"), std::vector<double>{param_descriptions[PARAM_MOD_CUTOFF].max});

    // PARAMS: one `{ label: '...', def: N` per input, in table order.
    std::regex entry("\\{ label: '([^']*)', def: ([0-9]+)");
    std::vector<std::pair<std::string, double>> entries;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), entry); it != std::sregex_iterator(); ++it)
        entries.push_back({(*it)[1].str(), std::stod((*it)[2].str())});
    ASSERT_EQ(entries.size(), (size_t)PARAM_INPUT_COUNT);
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        EXPECT_EQ(entries[i].first, param_descriptions[i].name) << i;
        EXPECT_EQ(entries[i].second, param_descriptions[i].default_value) << i;
    }
}
