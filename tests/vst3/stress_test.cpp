// Audio on one thread while another saves and restores state: no crash, no torn triple.
#include <atomic>
#include <cstring>
#include <thread>

#include "module_fixture.h"
#include "blob_values.h"


using StressTest = InstanceTest;

TEST_F(StressTest, StateTrafficBesideTheAudioThread) {
    ASSERT_TRUE(instance_start(&p, 48000));
    // Start from a triple of equal values, so that any mixed triple is a torn one.
    ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(1, 1, 1)));
    std::vector<float> first(64);
    instance_process(&p, first.data(), first.data(), 64, nullptr, nullptr);
    std::atomic<bool> done(false);
    std::atomic<long> blocks(0);
    std::thread audio([&] {
        std::vector<float> in(64, 0.25f), out(64);
        ParamChanges none, report;
        while (!done.load()) {
            report.clear();
            instance_process(&p, in.data(), out.data(), 64, &none, &report);
            blocks++;
        }
    });
    int torn = 0, unreadable = 0;
    for (int i = 0; i < 1500; i++) {
        float v = (float)(i % 16);
        ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(v, v, v)));
        float values[3];
        if (!blob_values(saved_state(p.component), values)) unreadable++;
        else if (values[0] != values[1] || values[1] != values[2]) torn++;
    }
    done = true;
    audio.join();
    EXPECT_EQ(0, unreadable);
    EXPECT_EQ(0, torn);
    EXPECT_GT(blocks.load(), 0);
}
