// The plug-in's descriptor, lifecycle, ports and Run, driven through the built binary.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <thread>
#include <xmmintrin.h>

#include "test_noise.h"
#include "test_engine.h"
#include "plugin_fixture.h"

static const char* const MISSING_MAP_MESSAGE = "Missing feature <http://lv2plug.in/ns/ext/urid#map>\n";

// A port value seen after a control tick with lfo_amt 0: the cutoff's step times 16, plus 8.
static float modulated_at(float cutoff) { return (float)(((int)cutoff * 16 + 8) & 0xFF); }

static void fill_test_signal(std::vector<float>* signal) {
    uint32_t seed = 12345;
    for (size_t i = 0; i < signal->size(); i++) {
        float noise = noise_centered(&seed);
        (*signal)[i] = 0.5f * std::sin(0.031f * (float)i) + 0.3f * noise;
    }
    // A quiet tail, where the filter memories decay towards denormals.
    for (size_t i = signal->size() * 3 / 4; i < signal->size(); i++) (*signal)[i] = 1e-39f;
}

TEST_F(PluginTest, DescriptorIsTheOnlyOneAndOffersOnlyState) {
    EXPECT_EQ(library.lv2_descriptor(0), descriptor);
    EXPECT_EQ(library.lv2_descriptor(1), nullptr);
    EXPECT_EQ(library.lv2_descriptor(0xFFFFFFFFu), nullptr);
    EXPECT_STREQ(descriptor->URI, "https://brindle.digital/plugins/velmo");
    EXPECT_EQ(descriptor->deactivate, nullptr);
    EXPECT_TRUE(descriptor->instantiate && descriptor->connect_port && descriptor->activate &&
                descriptor->run && descriptor->cleanup && descriptor->extension_data);

    const LV2_State_Interface* state_interface = state();
    ASSERT_NE(state_interface, nullptr);
    EXPECT_TRUE(state_interface->save && state_interface->restore);
    EXPECT_EQ(descriptor->extension_data(LV2_STATE__interface "x"), nullptr);
    EXPECT_EQ(descriptor->extension_data("http://lv2plug.in/ns/ext/worker#interface"), nullptr);
    EXPECT_EQ(descriptor->extension_data(""), nullptr);
}

// The web editor exists on Windows only: elsewhere the binary has no UI to hand out.
TEST_F(PluginTest, UiEntryPointOnlyOnWindows) {
#ifdef _WIN32
    EXPECT_NE(library.symbol("lv2ui_descriptor"), nullptr);
#else
    EXPECT_EQ(library.symbol("lv2ui_descriptor"), nullptr);
#endif
}

TEST_F(PluginTest, MissingMapIsLoggedAndTheInstanceStillRuns) {
    // With a log feature: the message goes there, at level 0 since nothing could be mapped.
    ASSERT_NE(create(LOG_ONLY), nullptr);
    std::vector<LogRecorder::Message> messages = log.take();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, MISSING_MAP_MESSAGE);
    EXPECT_EQ(messages[0].level, 0u);
    connect_all();
    controls[0] = 9;
    activate();
    run(256);
    EXPECT_EQ(mod_cutoff, modulated_at(9));
    descriptor->cleanup(instance);
    instance = nullptr;

    // Without one, to stderr, for an empty list and for no list at all.
    for (FeatureChoice choice : {NO_FEATURES, NULL_FEATURES}) {
        StderrCapture capture;
        capture.begin();
        LV2_Handle created = create(choice);
        EXPECT_EQ(capture.end(), MISSING_MAP_MESSAGE);
        ASSERT_NE(created, nullptr);
        connect_all();
        controls[0] = 15;
        activate();
        run(64);
        EXPECT_EQ(mod_cutoff, modulated_at(15));
        descriptor->cleanup(instance);
        instance = nullptr;
    }
    EXPECT_TRUE(log.take().empty());
}

TEST_F(PluginTest, FeaturesAreFoundAnywhereInTheListAndMapsUsedInOrder) {
    LV2_Feature other = {"http://example.org/other", nullptr};
    LV2_Feature map_feature = {LV2_URID__map, &map.feature};
    LV2_Feature log_feature = {LV2_LOG__log, &log.feature};
    const LV2_Feature* list[] = {&other, &map_feature, &other, &log_feature, nullptr};
    StderrCapture capture;
    capture.begin();
    instance = descriptor->instantiate(descriptor, 44100.0, "", list);
    EXPECT_EQ(capture.end(), "");
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(log.take().empty());
    const char* expected[] = {LV2_LOG__Error, LV2_LOG__Note, LV2_LOG__Trace, LV2_LOG__Warning,
                              LV2_ATOM__Chunk, VELMO_STATE_KEY_URI};
    ASSERT_EQ(map.uris.size(), 6u);
    for (size_t i = 0; i < 6; i++) EXPECT_EQ(map.uris[i], expected[i]);
}

TEST_F(PluginTest, UnconnectedControlInputsGiveTheDefaults) {
    ASSERT_NE(create(), nullptr);
    connect_audio();
    descriptor->connect_port(instance, PORT_MOD_CUTOFF, &mod_cutoff);
    activate();
    run(1);
    EXPECT_EQ(mod_cutoff, 248.0f);
    expect_saved_values(15, 0, 7);

    // An unconnected input keeps its last value; the output is simply not written.
    descriptor->connect_port(instance, PORT_CUTOFF, &controls[0]);
    controls[0] = 4;
    run(1);
    descriptor->connect_port(instance, PORT_CUTOFF, nullptr);
    descriptor->connect_port(instance, PORT_MOD_CUTOFF, nullptr);
    mod_cutoff = -1;
    run(480);
    EXPECT_EQ(mod_cutoff, -1.0f);
    expect_saved_values(4, 0, 7);
}

TEST_F(PluginTest, ControlInputsAreSnapped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float port, engine;
    } cases[] = {{7.5f, 8}, {7.49f, 7}, {-2, 0}, {40, 15}, {nan, 0}, {-0.4f, 0}, {16.2f, 15},
                 {inf, 15}, {-inf, 0}, {0.5f, 1}, {14.5f, 15}, {3, 3}};
    ASSERT_NE(create(), nullptr);
    connect_all();
    activate();
    for (uint32_t port = 0; port < 3; port++) {
        for (const Case& c : cases) {
            controls[0] = 15, controls[1] = 0, controls[2] = 7;
            controls[port] = c.port;
            run(480);  // one control tick at 48 kHz
            float expected[3] = {15, 0, 7};
            expected[port] = c.engine;
            SCOPED_TRACE(testing::Message() << "port " << PORT_CUTOFF + port << " value " << c.port);
            expect_saved_values(expected[0], expected[1], expected[2]);
            if (port == 0) {
                EXPECT_EQ(mod_cutoff, modulated_at(c.engine));
            }
        }
    }
}

TEST_F(PluginTest, ActivateTakesPortValuesAsTheyAreAndZeroLengthRunsSnapThem) {
    ASSERT_NE(create(), nullptr);
    connect_all();
    controls[0] = 7.5f;
    controls[1] = 40;
    activate();

    // A zero-length run touches no audio buffer, but reads the inputs and writes port 5. No
    // tick has run, so port 5 still shows what Activate computed from the unsnapped 7.5.
    descriptor->connect_port(instance, PORT_IN, nullptr);
    descriptor->connect_port(instance, PORT_OUT, nullptr);
    run(0);
    EXPECT_EQ(mod_cutoff, modulated_at(7));
    expect_saved_values(8, 15, 7);

    // Activate again starts over from the ports.
    controls[0] = 2, controls[1] = 0;
    activate();
    run(0);
    EXPECT_EQ(mod_cutoff, modulated_at(2));
    expect_saved_values(2, 0, 7);
}

TEST_F(PluginTest, ConnectPortIgnoresIndicesAboveFive) {
    ASSERT_NE(create(), nullptr);
    connect_all();
    float stray[4] = {-1, -1, -1, -1};
    descriptor->connect_port(instance, 6, stray);
    descriptor->connect_port(instance, 0xFFFFFFFFu, stray);
    controls[0] = 5;
    activate();
    run(512);
    for (float v : stray) EXPECT_EQ(v, -1.0f);
    EXPECT_EQ(mod_cutoff, modulated_at(5));
}

TEST_F(PluginTest, OutputIsTheEnginesBitForBit) {
    const float settings[3] = {9, 5, 11};
    fill_test_signal(&input);
    std::vector<float> expected[2];
    const uint32_t blocks[] = {1, 64, 1000};
    for (uint32_t block : blocks) {
        SCOPED_TRACE(testing::Message() << "block " << block);
        std::vector<float> reference = engine_render(input.data(), input.size(), 44100.0f, settings, block);
        // Separate buffers with port 5 connected, then in place with port 5 unconnected.
        for (int in_place = 0; in_place < 2; in_place++) {
            ASSERT_NE(create(WITH_MAP_AND_LOG, 44100.0), nullptr);
            std::vector<float> buffer = input;
            connect_all();
            if (in_place) {
                descriptor->connect_port(instance, PORT_IN, buffer.data());
                descriptor->connect_port(instance, PORT_OUT, buffer.data());
                descriptor->connect_port(instance, PORT_MOD_CUTOFF, nullptr);
            }
            for (int i = 0; i < 3; i++) controls[i] = settings[i];
            activate();
            for (size_t done = 0; done < input.size(); done += block) {
                uint32_t count = (uint32_t)std::min<size_t>(block, input.size() - done);
                if (!in_place) {
                    descriptor->connect_port(instance, PORT_IN, input.data() + done);
                    descriptor->connect_port(instance, PORT_OUT, output.data() + done);
                } else {
                    descriptor->connect_port(instance, PORT_IN, buffer.data() + done);
                    descriptor->connect_port(instance, PORT_OUT, buffer.data() + done);
                }
                run(count);
            }
            const std::vector<float>& got = in_place ? buffer : output;
            EXPECT_EQ(memcmp(got.data(), reference.data(), reference.size() * sizeof(float)), 0);
            descriptor->cleanup(instance);
            instance = nullptr;
        }
    }
}

TEST_F(PluginTest, RunRestoresTheCallersDenormalBitsOnly) {
    const unsigned FTZ = 0x8000u, DAZ = 0x40u, ROUNDING = 0x6000u;
    ASSERT_NE(create(), nullptr);
    fill_test_signal(&input);
    connect_all();
    activate();
    const unsigned saved = _mm_getcsr();
    for (unsigned caller : {0u, FTZ | DAZ, FTZ, DAZ}) {
        // Rounding set to "down" stands for the other control bits the caller may have set.
        const unsigned before = (saved & ~(FTZ | DAZ | ROUNDING)) | caller | 0x2000u;
        _mm_setcsr(before);
        run((uint32_t)input.size());
        const unsigned after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(after & (FTZ | DAZ | ROUNDING), before & (FTZ | DAZ | ROUNDING)) << caller;
    }
}

// The lock held as a state save holds it: Run must go on without it, and the control change
// it sees meanwhile must reach the engine in the next Run that gets the lock.
TEST_F(PluginTest, RunNeverWaitsForTheLockAndKeepsChangesMadeMeanwhile) {
    ASSERT_NE(create(), nullptr);
    connect_all();
    activate();
    run(64);
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    exchange_lock(&plugin->core.exchange);
    controls[0] = 3;
    std::future<void> blocked_run = std::async(std::launch::async, [this] { run(64); });
    bool finished = blocked_run.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) exchange_unlock(&plugin->core.exchange);  // let it end before failing
    ASSERT_TRUE(finished) << "Run waited for the lock";
    EXPECT_EQ(plugin->core.engines[0].param_values[0], 15.0f);
    exchange_unlock(&plugin->core.exchange);

    run(0);
    EXPECT_EQ(plugin->core.engines[0].param_values[0], 3.0f);
    expect_saved_values(3, 0, 7);
}

// Hosts that give a rate the engine cannot use, or run before activating: the plug-in must
// neither hang nor write anything but finite samples.
TEST_F(PluginTest, UnusableRatesAndRunBeforeActivateStayQuietAndFinite) {
    const double rates[] = {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), 1e300, 1.0};
    fill_test_signal(&input);
    for (double rate : rates) {
        SCOPED_TRACE(rate);
        ASSERT_NE(create(WITH_MAP_AND_LOG, rate), nullptr);
        connect_all();
        run(512);  // before Activate
        activate();
        run((uint32_t)input.size());
        for (float y : output) ASSERT_TRUE(std::isfinite(y));
        EXPECT_EQ(mod_cutoff, modulated_at(15));
        descriptor->cleanup(instance);
        instance = nullptr;
    }
}
