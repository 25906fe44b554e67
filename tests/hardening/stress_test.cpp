// Both formats under concurrent traffic: one thread runs the audio entry point block after
// block while others save and restore state. Checked on the audio thread after every block:
// the engine's three values belong to one update (never torn) and are whole numbers in range;
// at the end, no control change was lost. Audio call times are recorded and compared with an
// uncontended run; the deterministic proof that the audio thread never waits is the test that
// holds the lock itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <thread>
#include <vector>

#include "both_formats.h"

typedef std::chrono::steady_clock Clock;

static const uint32_t BLOCK = 480;  // one control tick per block at 48 kHz
static const auto STRESS_TIME = std::chrono::milliseconds(1500);

struct AudioTimes {
    std::vector<double> micros;
    double max() const { return micros.empty() ? 0.0 : *std::max_element(micros.begin(), micros.end()); }
    double percentile(double p) const {
        std::vector<double> sorted = micros;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0.0 : sorted[(size_t)(p * (double)(sorted.size() - 1))];
    }
};

class Stress : public testing::TestWithParam<PluginFormat> {
  protected:
    std::unique_ptr<PluginDriver> plugin;
    std::vector<float> input, output;
    std::atomic<bool> stop{false};
    int torn = 0, out_of_range = 0;

    void SetUp() override {
        plugin = make_driver(GetParam());
        ASSERT_TRUE(plugin) << format_name(GetParam());
        input.resize(BLOCK);
        output.resize(BLOCK);
        for (uint32_t i = 0; i < BLOCK; i++) input[i] = 0.25f * std::sin(0.05f * (float)i);
        // Start from equal values (the defaults are not), without touching the controls.
        ASSERT_TRUE(plugin->restore(blob_of(0.0f, 0.0f, 0.0f)));
        plugin->process(input.data(), output.data(), BLOCK);
    }

    // All three parameters to the same plain value: any mix of two updates shows up as
    // unequal values.
    void set_all(float plain) {
        for (uint32_t i = 0; i < 3; i++) plugin->set_control(i, plugin->host_value_of_plain(plain));
    }

    // One block on the audio thread, timed, then the engine's values checked.
    void audio_block(AudioTimes* times) {
        Clock::time_point start = Clock::now();
        plugin->process(input.data(), output.data(), BLOCK);
        times->micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        const float* live = plugin->live_values();
        if (live[0] != live[1] || live[1] != live[2]) torn++;
        for (int i = 0; i < 3; i++)
            if (!(live[i] >= 0.0f && live[i] <= 15.0f && live[i] == std::floor(live[i]))) out_of_range++;
    }

    AudioTimes uncontended(int blocks) {
        AudioTimes times;
        for (int i = 0; i < blocks; i++) audio_block(&times);
        return times;
    }

    // Audio blocks for the stress time; `before_block(n)` is the host's work ahead of block n.
    template <typename BeforeBlock>
    AudioTimes run_audio(BeforeBlock before_block) {
        AudioTimes times;
        Clock::time_point end = Clock::now() + STRESS_TIME;
        for (int n = 0; Clock::now() < end; n++) {
            before_block(n);
            audio_block(&times);
        }
        return times;
    }

    void saver(std::atomic<int>* consistent_saves) {
        std::vector<uint8_t> blob;
        float values[3];
        while (!stop.load()) {
            if (plugin->save(&blob) && blob_values(blob, values) && values[0] == values[1] && values[1] == values[2])
                ++*consistent_saves;
            else
                ADD_FAILURE() << "a save failed or held values of two different updates";
            std::this_thread::yield();
        }
    }

    void restorer(std::atomic<int>* last_restored) {
        std::vector<std::vector<uint8_t>> blobs;
        for (int v = 0; v < 16; v++) blobs.push_back(blob_of((float)v, (float)v, (float)v));
        for (int n = 0; !stop.load(); n++) {
            int v = (n * 7) % 16;
            if (!plugin->restore(blobs[(size_t)v])) ADD_FAILURE() << "a valid restore was refused";
            last_restored->store(v);
            std::this_thread::yield();
        }
    }

    void report(const char* what, const AudioTimes& quiet, const AudioTimes& busy) {
        printf("%s %s: %zu blocks; audio call longest %.1f us (uncontended %.1f us), 99.9th percentile "
               "%.1f us (%.1f us), median %.1f us (%.1f us)\n",
               format_name(GetParam()), what, busy.micros.size(), busy.max(), quiet.max(),
               busy.percentile(0.999), quiet.percentile(0.999), busy.percentile(0.5), quiet.percentile(0.5));
        // The typical call must cost what it costs alone. The longest calls are only reported:
        // on a loaded machine any thread is preempted now and then; waiting for the lock is
        // caught exactly by AudioNeverWaitsWhileStateHoldsTheLock.
        EXPECT_LT(busy.percentile(0.5), 4.0 * quiet.percentile(0.5) + 100.0);
    }
};

// Saves take the lock over and over while the controls keep changing: every change must
// reach the engine, at the latest at the first block after the saves stop.
TEST_P(Stress, SavesNeverLoseControlChanges) {
    AudioTimes quiet = uncontended(300);
    std::atomic<int> consistent_saves{0};
    std::thread saver_a([&] { saver(&consistent_saves); });
    std::thread saver_b([&] { saver(&consistent_saves); });
    float last = 0.0f;
    AudioTimes busy = run_audio([&](int n) {
        if (n % 3 == 0) set_all(last = (float)((n / 3) % 16));
    });
    stop = true;
    saver_a.join();
    saver_b.join();
    audio_block(&busy);
    const float* live = plugin->live_values();
    EXPECT_EQ(live[0], last);
    EXPECT_EQ(live[2], last);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(out_of_range, 0);
    EXPECT_GT(consistent_saves.load(), 0);
    report("saves during control changes", quiet, busy);
}

// Restores of (v, v, v) on one thread while saves run on another: the engine only ever holds
// one restore's three values, after the last restore exactly those, and every save holds one
// whole set (a save that meets a restore not yet taken up saves the restored set).
TEST_P(Stress, RestoredValuesArriveTogether) {
    AudioTimes quiet = uncontended(300);
    std::atomic<int> consistent_saves{0}, last_restored{-1};
    std::thread restore_thread([&] { restorer(&last_restored); });
    std::thread save_thread([&] { saver(&consistent_saves); });
    AudioTimes busy = run_audio([](int) {});
    stop = true;
    restore_thread.join();
    save_thread.join();
    audio_block(&busy);
    ASSERT_GE(last_restored.load(), 0);
    EXPECT_EQ(plugin->live_values()[0], (float)last_restored.load());
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(out_of_range, 0);
    report("restores and saves", quiet, busy);
}

// Everything at once: control changes, restores and saves. Nothing tears, nothing leaves the
// range, and the controls still work afterwards.
TEST_P(Stress, MixedTrafficNeverTears) {
    AudioTimes quiet = uncontended(300);
    std::atomic<int> consistent_saves{0}, last_restored{-1};
    std::thread restore_thread([&] { restorer(&last_restored); });
    std::thread save_thread([&] { saver(&consistent_saves); });
    AudioTimes busy = run_audio([&](int n) {
        if (n % 5 == 0) set_all((float)((n / 5 * 3) % 16));
    });
    stop = true;
    restore_thread.join();
    save_thread.join();
    set_all(11.0f);
    audio_block(&busy);
    EXPECT_EQ(plugin->live_values()[1], 11.0f);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(out_of_range, 0);
    report("restores, saves and control changes", quiet, busy);
}

// While a state operation holds the lock, audio blocks still complete (a waiting audio
// thread would never return here); a control change made meanwhile waits in the exchange
// and reaches the engine with the first block after the lock is released.
TEST_P(Stress, AudioNeverWaitsWhileStateHoldsTheLock) {
    set_all(2.0f);
    AudioTimes times;
    audio_block(&times);
    exchange_lock(plugin->exchange());
    std::future<float> audio = std::async(std::launch::async, [&] {
        for (int n = 0; n < 50; n++) {
            if (n == 10) set_all(9.0f);
            audio_block(&times);
        }
        return plugin->live_values()[0];
    });
    bool returned = audio.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    exchange_unlock(plugin->exchange());
    ASSERT_TRUE(returned) << "the audio thread waited for the lock";
    EXPECT_EQ(audio.get(), 2.0f) << "without the lock a change must not reach the engine";
    audio_block(&times);
    EXPECT_EQ(plugin->live_values()[0], 9.0f);
    EXPECT_EQ(plugin->live_values()[1], 9.0f);
    EXPECT_EQ(torn, 0);
}

INSTANTIATE_FOR_BOTH_FORMATS(Stress);
