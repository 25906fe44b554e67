// The editor page's constants block: the checked-in page (which the browser tests load) holds
// the block tools/velmo-page writes into the pages the plug-ins ship, and that block reads back
// as the parameter table and the engine's tables.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/tables.h"
#include "page_constants.h"
#include "plugin/params.h"

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

TEST(PageConstants, TheCheckedInPageHoldsTheWrittenBlock) {
    std::ifstream file(VELMO_PAGE, std::ios::binary);
    std::stringstream page;
    page << file.rdbuf();
    ASSERT_FALSE(page.str().empty()) << VELMO_PAGE;
    std::string written;
    ASSERT_TRUE(page_with_constants(page.str(), &written)) << "the page lost its BEGIN/END constants lines";
    EXPECT_TRUE(written == page.str())
        << "web/index.html is out of date: velmo-page web/index.html web/index.html rewrites it";

    EXPECT_FALSE(page_with_constants("<script>\n// END constants shared with the plug-in\n", &written));
    EXPECT_FALSE(page_with_constants("// END constants shared with the plug-in\n"
                                     "// BEGIN constants shared with the plug-in\n", &written));
}

TEST(PageConstants, TheBlockReadsBackAsTheTables) {
    std::string block = page_constants_block();
    std::vector<double> curve = numbers_of(block, "CUTOFF_CURVE");
    ASSERT_EQ(curve.size(), 256u);
    for (size_t i = 0; i < 256; i++) EXPECT_EQ(curve[i], cutoff_curve[i]) << "CUTOFF_CURVE " << i;
    std::vector<double> speeds = numbers_of(block, "SPEED_STEPS");
    ASSERT_EQ(speeds.size(), 16u);
    for (size_t i = 0; i < 16; i++) EXPECT_EQ(speeds[i], speed_steps[i]) << "SPEED_STEPS " << i;
    ASSERT_EQ(numbers_of(block, "HZ_PER_REGISTER_STEP").size(), 1u);
    EXPECT_EQ((float)numbers_of(block, "HZ_PER_REGISTER_STEP")[0], HZ_PER_REGISTER_STEP);
    Engine engine;
    engine_init(&engine);
    engine_activate(&engine, 44100.0f);
    ASSERT_EQ(numbers_of(block, "FILTER_Q").size(), 1u);
    EXPECT_EQ((float)numbers_of(block, "FILTER_Q")[0], engine.q_factor);

    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++)
        EXPECT_EQ(numbers_of(block, "STEP_MAX"), std::vector<double>{param_descriptions[i].max}) << i;
    EXPECT_EQ(numbers_of(block, "MOD_INDEX"), std::vector<double>{(double)PARAM_MOD_CUTOFF});
    EXPECT_EQ(numbers_of(block, "MOD_MAX"), std::vector<double>{param_descriptions[PARAM_MOD_CUTOFF].max});
    std::vector<double> defaults = numbers_of(block, "PARAM_DEFAULTS");
    ASSERT_EQ(defaults.size(), (size_t)PARAM_INPUT_COUNT);
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        EXPECT_EQ(defaults[i], param_descriptions[i].default_value) << i;
        EXPECT_NE(block.find(std::string("'") + param_descriptions[i].name + "'"), std::string::npos) << i;
    }
}
