#include <gtest/gtest.h>

#include "engine/tables.h"
#include "reference_engine.h"

TEST(Tables, SpeedSteps) {
    EXPECT_EQ(speed_steps[7], 8);
    EXPECT_EQ(speed_steps[0], 1);
    EXPECT_EQ(speed_steps[15], 64);
}

TEST(Tables, WaveRowsArePeakedAntisymmetricSines) {
    const int peaks[16] = {0, 8, 17, 25, 34, 42, 51, 59, 68, 76, 85, 93, 102, 110, 119, 127};
    for (int a = 0; a < 16; a++) {
        int sum = 0;
        for (int i = 0; i < 256; i++) sum += lfo_wave[a][i];
        EXPECT_EQ(sum, 0) << a;
        EXPECT_EQ(lfo_wave[a][63], peaks[a]) << a;
        EXPECT_EQ(lfo_wave[a][191], -peaks[a]) << a;
        EXPECT_EQ(lfo_wave[a][127], 0);
        EXPECT_EQ(lfo_wave[a][255], 0);
        for (int i = 0; i < 127; i++) ASSERT_EQ(lfo_wave[a][i + 128], -lfo_wave[a][i]) << a << " " << i;
    }
    const int row15[8] = {3, 6, 9, 12, 16, 19, 22, 25}, row1[8] = {0, 0, 1, 1, 1, 1, 1, 2};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(lfo_wave[15][i], row15[i]);
        EXPECT_EQ(lfo_wave[1][i], row1[i]);
    }
}

TEST(Tables, CutoffCurveIsMonotonic) {
    EXPECT_EQ(cutoff_curve[0], 62);
    EXPECT_EQ(cutoff_curve[8], 62);
    EXPECT_EQ(cutoff_curve[248], 320);
    EXPECT_EQ(cutoff_curve[255], 342);
    for (int i = 1; i < 256; i++) EXPECT_GE(cutoff_curve[i], cutoff_curve[i - 1]) << i;
}

// Every entry against the tables as written down in tests/engine/reference_engine.cpp, an
// independent transcription: a typo in either shows here.
TEST(Tables, EveryEntryMatchesTheWrittenTables) {
    for (int s = 0; s < 16; s++) EXPECT_EQ(speed_steps[s], reference_speed_steps[s]) << s;
    for (int m = 0; m < 256; m++) EXPECT_EQ(cutoff_curve[m], reference_cutoff_curve[m]) << m;
    for (int a = 0; a < 16; a++)
        for (int i = 0; i < 256; i++) ASSERT_EQ(lfo_wave[a][i], reference_lfo_wave(a, i)) << a << " " << i;
}
