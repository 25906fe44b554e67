// What velmo-render writes: the same samples the engine gives a plug-in host, for any block
// size, channel count and container, with host-style snapping, automation and tick trace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sndfile.h>
#include <sys/stat.h>

#include "render_support.h"
#include "test_engine.h"

static bool bit_identical(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// One channel through one engine, the way a host drives a plug-in instance.
static std::vector<float> direct_engine(const std::vector<float>& samples, float rate, const float values[3],
                                        uint32_t block) {
    return engine_render(samples.data(), samples.size(), rate, values, block);
}

static Audio render_ok(const ScratchDir& dir, std::vector<std::string> args,
                       const std::string& out_name = "out.wav") {
    std::vector<std::string> full = {dir / "in.wav", dir / out_name};
    full.insert(full.end(), args.begin(), args.end());
    RunResult result = run_render(full);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    return read_audio(dir / out_name);
}

static std::vector<int> trace_values(const std::string& path) {
    std::vector<int> values;
    for (const std::string& line : read_lines(path)) values.push_back(std::stoi(line));
    return values;
}

// Three channels at 44.1 kHz: channel 1 repeats channel 0, channel 2 is different.
static Audio three_channels(size_t frames) {
    Audio audio;
    audio.rate = 44100;
    audio.channels = 3;
    std::vector<float> a = test_signal(frames, 5), b = test_signal(frames, 9);
    for (size_t i = 0; i < frames; i++) audio.samples.insert(audio.samples.end(), {a[i], a[i], 0.5f * b[i]});
    return audio;
}

TEST(RenderOutput, EveryChannelMatchesItsOwnDirectEngineRun) {
    ScratchDir dir;
    Audio in = three_channels(44100);
    write_audio(dir / "in.wav", in);
    const float values[3] = {3, 12, 9};
    RunResult result = run_render({dir / "in.wav", dir / "out.wav", "--cutoff", "3", "--lfo-amt", "12",
                                   "--lfo-speed", "9"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");  // quiet when stderr is not a terminal
    Audio out = read_audio(dir / "out.wav");
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.channels, 3);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(out.frames(), in.frames());
    for (int c = 0; c < 3; c++) {
        SCOPED_TRACE(c);
        EXPECT_TRUE(bit_identical(out.channel(c), direct_engine(in.channel(c), 44100, values, 512)));
    }
    EXPECT_TRUE(bit_identical(out.channel(0), out.channel(1)));
    EXPECT_FALSE(bit_identical(out.channel(0), in.channel(0)));
}

// After a burst the 1 Hz output high-pass decays for many seconds into the denormal range,
// where only the plug-ins' flush-to-zero mode keeps the output equal to theirs.
TEST(RenderOutput, LongDecayMatchesThePluginsFloatingPointMode) {
    ScratchDir dir;
    std::vector<float> burst = test_signal(8000 * 20, 7);
    std::fill(burst.begin() + 1600, burst.end(), 0.0f);
    write_audio(dir / "in.wav", mono(burst, 8000));
    Audio out = render_ok(dir, {});
    const float defaults[3] = {15, 0, 7};
    EXPECT_TRUE(bit_identical(out.samples, direct_engine(burst, 8000, defaults, 512)));
}

TEST(RenderOutput, BlockSizeAndTracingDoNotChangeTheSamples) {
    ScratchDir dir;
    Audio in = three_channels(30000);
    in.rate = 48000;
    write_audio(dir / "in.wav", in);
    const std::vector<std::string> settings = {"--lfo-amt", "15", "--lfo-speed", "13", "--cutoff", "9"};
    Audio reference = render_ok(dir, settings);
    for (const char* block : {"1", "64", "480", "4096"}) {
        SCOPED_TRACE(block);
        std::vector<std::string> args = settings;
        args.insert(args.end(), {"--block", block, "--trace", dir / "trace.txt"});
        EXPECT_TRUE(bit_identical(render_ok(dir, args).samples, reference.samples));
        EXPECT_EQ(read_lines(dir / "trace.txt").size(), 63u);  // ceil(30000 / 480) ticks
    }
}

TEST(RenderOutput, TraceHoldsTheModulatedCutoffOfEveryTick) {
    ScratchDir dir;
    write_audio(dir / "in.wav", mono(test_signal(44100 + 1, 2), 44100));
    const std::string trace = dir / "trace.txt";

    // 44.1 kHz ticks every 441 samples: 101 ticks, the last one before the very last sample.
    render_ok(dir, {"--trace", trace, "--block", "1000"});
    EXPECT_EQ(trace_values(trace), std::vector<int>(101, 248));
    render_ok(dir, {"--trace", trace, "--cutoff", "0"});
    EXPECT_EQ(trace_values(trace), std::vector<int>(101, 8));

    // The fastest oscillator repeats every 4 ticks and, at full depth, sweeps widely.
    render_ok(dir, {"--trace", trace, "--cutoff", "8", "--lfo-amt", "15", "--lfo-speed", "15"});
    std::vector<int> values = trace_values(trace);
    ASSERT_EQ(values.size(), 101u);
    for (size_t i = 4; i < values.size(); i++) EXPECT_EQ(values[i], values[i - 4]) << i;
    auto range = std::minmax_element(values.begin(), values.end());
    EXPECT_GT(*range.second - *range.first, 100);
    for (int v : values) EXPECT_TRUE(v >= 0 && v <= 255);
}

TEST(RenderOutput, ValuesAreSnappedAsAHostWould) {
    ScratchDir dir;
    write_audio(dir / "in.wav", mono(test_signal(9600, 4)));
    const std::string trace = dir / "trace.txt";
    RunResult result = run_render({dir / "in.wav", dir / "out.wav", "--cutoff=7.6", "--lfo-amt", "-2",
                                   "--lfo-speed=40", "--trace=" + trace});
    ASSERT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "velmo-render: note: --cutoff: 7.6 becomes 8\n"
                          "velmo-render: note: --lfo-amt: -2 becomes 0\n"
                          "velmo-render: note: --lfo-speed: 40 becomes 15\n");
    Audio snapped = read_audio(dir / "out.wav");
    EXPECT_EQ(trace_values(trace), std::vector<int>(20, 8 * 16 + 8));
    Audio whole = render_ok(dir, {"--cutoff", "8", "--lfo-amt", "0", "--lfo-speed", "15"});
    EXPECT_TRUE(bit_identical(snapped.samples, whole.samples));

    render_ok(dir, {"--cutoff", "40", "--trace", trace});
    EXPECT_EQ(trace_values(trace), std::vector<int>(20, 248));
    render_ok(dir, {"--cutoff", "0.49", "--trace", trace});
    EXPECT_EQ(trace_values(trace), std::vector<int>(20, 8));
}

// Expected trace: first `before` ticks at one value, the rest at another.
static std::vector<int> step(size_t ticks, size_t before, int a, int b) {
    std::vector<int> v(ticks, b);
    std::fill(v.begin(), v.begin() + (long)before, a);
    return v;
}

TEST(RenderOutput, AutomationTakesEffectAtTheFirstBlockAtOrAfterItsTime) {
    ScratchDir dir;
    write_audio(dir / "in.wav", mono(test_signal(48000, 6)));
    const std::string trace = dir / "trace.txt";

    // 0.5 s is sample 24000. Blocks of 512 next start at 24064, after the tick at 24000 (tick 50),
    // so the change shows from tick 51; blocks of 480 start at 24000 itself.
    render_ok(dir, {"--automate", "cutoff=0@0.5", "--trace", trace});
    EXPECT_EQ(trace_values(trace), step(100, 51, 248, 8));
    render_ok(dir, {"--automate", "cutoff=0@0.5", "--block", "480", "--trace", trace});
    EXPECT_EQ(trace_values(trace), step(100, 50, 248, 8));
    render_ok(dir, {"--automate", "cutoff=0@0.50001", "--block", "480", "--trace", trace});
    EXPECT_EQ(trace_values(trace), step(100, 51, 248, 8));

    // Events in any order, snapped values, the later of two at the same time wins, and an
    // event past the end changes nothing; the snapping and the unused event are noted.
    RunResult result = run_render({dir / "in.wav", dir / "out.wav", "--automate", "cutoff=2@0.3",
                                   "--automate", "cutoff=9@2", "--automate=cutoff=0@0", "--automate",
                                   "cutoff=7.6@0.3", "--trace", trace});
    ASSERT_EQ(result.exit_code, 0);
    EXPECT_EQ(trace_values(trace), step(100, 31, 8, 136));
    EXPECT_EQ(result.err, "velmo-render: note: --automate cutoff=7.6@0.3: 7.6 becomes 8\n"
                          "velmo-render: note: --automate cutoff=9@2: not applied, no block starts "
                          "at or after 2 s (the input ends at 1 s)\n");

    // The engine reads values only at ticks, so a change that lands between the same two ticks
    // sounds the same whether it came at a block of 1 or a block of 480.
    const std::vector<std::string> automation = {"--automate", "lfo_amt=15@0.2", "--automate",
                                                 "lfo_speed=3@0.41", "--automate", "cutoff=5@0.7"};
    std::vector<std::string> fine = automation, coarse = automation;
    fine.insert(fine.end(), {"--block", "1"});
    coarse.insert(coarse.end(), {"--block", "480"});
    Audio a = render_ok(dir, fine), b = render_ok(dir, coarse), unautomated = render_ok(dir, {});
    EXPECT_TRUE(bit_identical(a.samples, b.samples));
    EXPECT_FALSE(bit_identical(a.samples, unautomated.samples));
}

TEST(RenderOutput, ContainersAndSampleFormats) {
    ScratchDir dir;
    // Loud enough that the output passes full scale: PCM must clip, not wrap around.
    std::vector<float> loud(24000);
    for (size_t i = 0; i < loud.size(); i++) loud[i] = 6.0f * (float)sin(2.0 * M_PI * 2000.0 * (double)i / 48000.0);
    write_audio(dir / "in.wav", mono(loud));
    Audio reference = render_ok(dir, {});
    float peak = 0;
    for (float x : reference.samples) peak = std::max(peak, x);
    ASSERT_GT(peak, 1.0f);

    struct Case {
        std::string out;
        std::vector<std::string> args;
        int format;
        double tolerance;  // one PCM step; 0 for float, which keeps values beyond full scale
    };
    const Case cases[] = {
        {"out.wav", {"--format", "pcm16"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.0 / 32768},
        {"out.wav", {"--format", "pcm24"}, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1.0 / 8388608},
        {"out.aiff", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 0},
        {"out.AIF", {"--format", "pcm16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1.0 / 32768},
        {"out.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1.0 / 8388608},
        {"out.flac", {"--format", "pcm16"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1.0 / 32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out + (c.args.empty() ? "" : " " + c.args[1]));
        Audio out = render_ok(dir, c.args, c.out);
        EXPECT_EQ(out.format, c.format);
        ASSERT_EQ(out.frames(), reference.frames());
        for (size_t i = 0; i < out.samples.size(); i++) {
            float expected = reference.samples[i];
            if (c.tolerance > 0) expected = std::min(std::max(expected, -1.0f), 1.0f);
            ASSERT_NEAR(out.samples[i], expected, c.tolerance + 1e-7) << i;
        }
        remove((dir / c.out).c_str());
    }
    // FLAC holds no float: the default falls back to 24-bit PCM and says so.
    RunResult result = run_render({dir / "in.wav", dir / "out.flac"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.err.find("out.flac"), std::string::npos) << result.err;
    // MP3 is encoded as MPEG Layer III, the only layer libsndfile writes.
    result = run_render({dir / "in.wav", dir / "out.mp3"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.err.find("Layer III"), std::string::npos) << result.err;
    Audio mp3 = read_audio(dir / "out.mp3");
    EXPECT_EQ(mp3.format, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    EXPECT_EQ(mp3.rate, 48000);
    EXPECT_NEAR((double)mp3.frames(), (double)reference.frames(), 2000.0);
}

// Tags and the channel map go wherever the container holds them; WAV becomes
// WAVE_FORMAT_EXTENSIBLE to hold the map.
TEST(RenderOutput, KeepsTheInputsTagsAndChannelMap) {
    ScratchDir dir;
    const int map[3] = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_LFE};
    const std::pair<int, const char*> tags[] = {
        {SF_STR_TITLE, "Night Bus"}, {SF_STR_ARTIST, "Brindle"}, {SF_STR_COMMENT, "take 3"}, {SF_STR_DATE, "2026"}};
    {
        Audio in = three_channels(4800);
        SF_INFO info = {};
        info.samplerate = in.rate;
        info.channels = 3;
        info.format = SF_FORMAT_WAVEX | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open((dir / "in.wav").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(sf_command(file, SFC_SET_CHANNEL_MAP_INFO, (void*)map, sizeof map), SF_TRUE);
        for (const auto& tag : tags) ASSERT_EQ(sf_set_string(file, tag.first, tag.second), 0);
        sf_writef_float(file, in.samples.data(), (sf_count_t)in.frames());
        sf_close(file);
    }
    const struct {
        const char* out;
        int container;
        bool holds_map;
    } cases[] = {{"out.wav", SF_FORMAT_WAVEX, true},
                 {"out.caf", SF_FORMAT_CAF, true},
                 {"out.flac", SF_FORMAT_FLAC, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        render_ok(dir, {}, c.out);
        SF_INFO info = {};
        SNDFILE* file = sf_open((dir / c.out).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.container);
        for (const auto& tag : tags) {
            const char* text = sf_get_string(file, tag.first);
            EXPECT_STREQ(text ? text : "", tag.second) << tag.first;
        }
        int got[3] = {};
        bool has_map = sf_command(file, SFC_GET_CHANNEL_MAP_INFO, got, sizeof got) == SF_TRUE;
        EXPECT_EQ(has_map, c.holds_map);
        std::vector<int> expected = c.holds_map ? std::vector<int>(map, map + 3) : std::vector<int>(3);
        EXPECT_EQ(std::vector<int>(got, got + 3), expected);
        sf_close(file);
    }
}

TEST(RenderOutput, VersionIsTheProjects) {
    RunResult result = run_render({"--version"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "velmo-render " VELMO_VERSION "\n");  // stdout and stderr together
}

TEST(RenderOutput, ReadsPcmAndFlacInputsAlike) {
    ScratchDir dir;
    Audio in = mono(test_signal(20000, 8), 96000);
    for (float& x : in.samples) x = std::round(x * 32768.0f) / 32768.0f;  // exact in 16 bits
    write_audio(dir / "in.wav", in, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Audio from_wav = render_ok(dir, {});
    write_audio(dir / "in.wav", in, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);  // content decides, not name
    Audio from_flac = render_ok(dir, {});
    EXPECT_EQ(from_wav.rate, 96000);
    EXPECT_TRUE(bit_identical(from_wav.samples, from_flac.samples));
    const float defaults[3] = {15, 0, 7};
    EXPECT_TRUE(bit_identical(from_wav.samples, direct_engine(in.samples, 96000, defaults, 512)));
}

TEST(RenderOutput, OutputReplacesAnEarlierFileWithOrdinaryPermissions) {
    ScratchDir dir;
    write_audio(dir / "in.wav", mono(test_signal(4800, 1)));
    write_audio(dir / "out.wav", mono(std::vector<float>(10)));
    mode_t mask = umask(022);
    Audio out = render_ok(dir, {});
    umask(mask);
    EXPECT_EQ(out.frames(), 4800u);
    struct stat info;
    ASSERT_EQ(stat((dir / "out.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST(RenderOutput, ProgressBarOnlyOnATerminalAndForLongInputs) {
    ScratchDir dir;
    write_audio(dir / "in.wav", mono(test_signal(8000 * 4, 1), 8000));
    std::string shown = run_render_on_terminal({dir / "in.wav", dir / "out.wav"});
    EXPECT_NE(shown.find("velmo-render ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("100%"), std::string::npos) << shown;
    EXPECT_EQ(read_audio(dir / "out.wav").frames(), 8000u * 4);
    EXPECT_EQ(run_render({dir / "in.wav", dir / "out.wav"}).err, "");

    write_audio(dir / "in.wav", mono(test_signal(8000 * 2, 1), 8000));
    EXPECT_EQ(run_render_on_terminal({dir / "in.wav", dir / "out.wav"}), "");
}
