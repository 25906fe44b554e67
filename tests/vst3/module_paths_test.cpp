// Where the module believes it lives: folder and bundle resources from the module's file name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vst3/module_paths.h"

TEST(Vst3ModulePaths, FolderAndResourcesFromTheFileName) {
    ASSERT_EQ(0, module_paths_set_from_file("C:\\Plug\\Velmo.vst3\\Contents\\x86_64-win\\Velmo.vst3", '\\'));
    EXPECT_STREQ("C:\\Plug\\Velmo.vst3\\Contents\\x86_64-win", module_directory());
    EXPECT_STREQ("C:\\Plug\\Velmo.vst3\\Contents\\Resources", resources_directory());
    ASSERT_EQ(0, module_paths_set_from_file("/home/u/.vst3/Velmo.vst3/Contents/x86_64-linux/Velmo.so", '/'));
    EXPECT_STREQ("/home/u/.vst3/Velmo.vst3/Contents/x86_64-linux", module_directory());
    EXPECT_STREQ("/home/u/.vst3/Velmo.vst3/Contents/Resources", resources_directory());
    module_paths_clear();
    EXPECT_EQ(nullptr, module_directory());
}

TEST(Vst3ModulePaths, LongAndOddNamesStayWhole) {
    std::string deep = "C:";
    for (int i = 0; i < 40; i++) deep += "\\folder" + std::to_string(i);
    ASSERT_GT(deep.size(), 300u);
    ASSERT_EQ(0, module_paths_set_from_file((deep + "\\x86_64-win\\Velmo.vst3").c_str(), '\\'));
    EXPECT_EQ(deep + "\\x86_64-win", module_directory());
    EXPECT_EQ(deep + "\\Resources", resources_directory());
    // No separator at all: nothing to cut, and nothing read out of bounds.
    ASSERT_EQ(0, module_paths_set_from_file("Velmo.so", '/'));
    EXPECT_STREQ("Velmo.so", module_directory());
    EXPECT_STREQ("Velmo.so/Resources", resources_directory());
    module_paths_clear();
}

TEST(Vst3ModulePaths, FileNameGrowsItsBufferUntilTheNameFits) {
    char* full = module_file_name(260);
    char* grown = module_file_name(4);  // doubled several times on Windows
    ASSERT_NE(nullptr, full);
    ASSERT_NE(nullptr, grown);
    EXPECT_STREQ(full, grown);
    EXPECT_GT(strlen(full), 4u);
    free(full);
    free(grown);
}

TEST(Vst3ModulePaths, NestedAcquiresComputeOnceAndFreeAtTheLastRelease) {
    ASSERT_EQ(0, module_paths_acquire());
    ASSERT_NE(nullptr, module_directory());
    std::string first = module_directory();
    ASSERT_EQ(0, module_paths_acquire());
    EXPECT_EQ(first, module_directory());
    module_paths_release();
    EXPECT_NE(nullptr, module_directory());
    module_paths_release();
    EXPECT_EQ(nullptr, module_directory());
    module_paths_release();  // unmatched: harmless
    EXPECT_EQ(nullptr, resources_directory());
}
