// Runs a parameterised test suite once per plug-in format, named by the format.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "plugin_driver.h"

inline std::string format_test_name(const testing::TestParamInfo<PluginFormat>& param) {
    return format_name(param.param);
}

#define INSTANTIATE_FOR_BOTH_FORMATS(suite)                                                      \
    INSTANTIATE_TEST_SUITE_P(BothFormats, suite, testing::Values(FORMAT_LV2, FORMAT_VST3), \
                             format_test_name)
