// Audio processing through the module: identical to the engine run directly, parameter intake
// at the block's start and end, silence without buses, and the modulated cutoff report.
#include <cmath>
#include <cstring>
#include <vector>

#include "test_noise.h"
#include "engine/engine.h"
#include "plugin/params.h"
#include "exchange/denormals.h"
#include "module_fixture.h"

static const ParamID cutoff_id = 1784049613u;
static const ParamID lfo_amt_id = 394330366u;
static const ParamID lfo_speed_id = 793359101u;
static const ParamID mod_cutoff_id = 558397322u;

struct Change {
    uint32_t index;
    int32 offset;
    double normalized;
};

struct Block {
    int32 n;
    std::vector<Change> changes;
};

// Sine, noise, silence and values deep in the denormal range, so that flush-to-zero matters.
static std::vector<float> test_signal(size_t n) {
    std::vector<float> x(n);
    uint32_t seed = 12345;
    for (size_t i = 0; i < n; i++) {
        float noise = noise_centered(&seed);
        float t = (float)i;
        if (i % 4000 < 1000) x[i] = 0.5f * sinf(0.03f * t) + 0.2f * noise;
        else if (i % 4000 < 2000) x[i] = 1e-39f * (noise + 0.6f);
        else if (i % 4000 < 3000) x[i] = 0.0f;
        else x[i] = 0.9f * noise;
    }
    return x;
}

static ParamID id_of(uint32_t index) { return param_descriptions[index].id; }

// The same blocks through the engine itself: offset-0 changes before the block, later ones after.
static std::vector<float> render_direct(const std::vector<float>& in, const std::vector<Block>& blocks, float rate) {
    Engine e;
    engine_init(&e);
    engine_activate(&e, rate);
    std::vector<float> out(in.size());
    size_t at = 0;
    for (const Block& b : blocks) {
        DenormalsOff guard;
        for (const Change& c : b.changes)
            if (c.offset == 0) e.param_values[c.index] = (float)snap_normalized(id_of(c.index), c.normalized);
        engine_process(&e, in.data() + at, out.data() + at, (uint32_t)b.n);
        for (const Change& c : b.changes)
            if (c.offset > 0) e.param_values[c.index] = (float)snap_normalized(id_of(c.index), c.normalized);
        at += (size_t)b.n;
    }
    return out;
}

static std::vector<float> render_vst3(PluginInstance* p, const std::vector<float>& in, const std::vector<Block>& blocks) {
    std::vector<float> out(in.size());
    size_t at = 0;
    for (const Block& b : blocks) {
        ParamChanges changes;
        for (const Change& c : b.changes) changes.add(id_of(c.index), c.offset, c.normalized);
        instance_process(p, in.data() + at, out.data() + at, b.n, &changes, nullptr);
        at += (size_t)b.n;
    }
    return out;
}

static size_t total(const std::vector<Block>& blocks) {
    size_t n = 0;
    for (const Block& b : blocks) n += (size_t)b.n;
    return n;
}

using ProcessingTest = InstanceTest;

TEST_F(ProcessingTest, RendersBitIdenticalToTheEngine) {
    std::vector<Block> blocks = {
        {512, {}},
        {441, {{0, 0, 3.0 / 15.0}, {1, 0, 1.0}}},                   // cutoff 3, lfo_amt 15 at once
        {0, {}},
        {1, {}},
        {1000, {{2, 5, 0.5}}},                                     // lfo_speed 8 after the block
        {777, {{0, 0, 0.9}, {0, 100, 0.2}}},                       // 0.9 before, 0.2 after
        {4096, {{1, 0, 0.4}, {2, 0, 1.0}}},
        {333, {{0, 0, 1.0}, {1, 17, 0.0}}},
        {2048, {}},
    };
    for (float rate : {44100.0f, 48000.0f, 22050.0f, 192000.0f, 1234.5f}) {
        PluginInstance q;
        ASSERT_TRUE(instance_create(test_factory(), &q));
        ASSERT_TRUE(instance_start(&q, rate));
        std::vector<float> in = test_signal(total(blocks));
        std::vector<float> expected = render_direct(in, blocks, rate);
        std::vector<float> actual = render_vst3(&q, in, blocks);
        instance_destroy(&q);
        ASSERT_EQ(0, memcmp(expected.data(), actual.data(), expected.size() * sizeof(float))) << "rate " << rate;
    }
}

TEST_F(ProcessingTest, RendersInPlace) {
    ASSERT_TRUE(instance_start(&p, 48000));
    std::vector<Block> blocks = {{2000, {{1, 0, 1.0}}}, {1500, {}}};
    std::vector<float> buffer = test_signal(3500);
    std::vector<float> expected = render_direct(buffer, blocks, 48000);
    ParamChanges lfo;
    lfo.add(lfo_amt_id, 0, 1.0);
    instance_process(&p, buffer.data(), buffer.data(), 2000, &lfo, nullptr);
    instance_process(&p, buffer.data() + 2000, buffer.data() + 2000, 1500, nullptr, nullptr);
    EXPECT_EQ(0, memcmp(expected.data(), buffer.data(), expected.size() * sizeof(float)));
}

// Host-side oddities in the input changes are skipped, never followed.
TEST_F(ProcessingTest, IgnoresChangesItCannotUse) {
    ASSERT_TRUE(instance_start(&p, 48000));
    ParamChanges odd;
    odd.add(mod_cutoff_id, 0, 0.0);       // read-only output
    odd.add(0x12345678u, 0, 0.0);         // unknown id
    odd.queue_for(lfo_amt_id);            // a queue without points
    odd.add(lfo_speed_id, 0, 0.0);
    odd.queue_for(lfo_speed_id)->fail_get_point = true;
    std::vector<float> in(256, 0.25f), out(256);
    instance_process(&p, in.data(), out.data(), 256, &odd, nullptr);
    EXPECT_EQ(state_blob(15, 0, 7), saved_state(p.component));
    ParamChanges late;
    late.add(cutoff_id, 0, 0.3);
    late.add(cutoff_id, 3, 1.2);            // last point, later offset: clamps to 15 after the block
    late.add(lfo_amt_id, 7, 0.5);           // only point, later offset
    late.add(lfo_speed_id, 0, -0.1);        // clamps to 0
    instance_process(&p, in.data(), out.data(), 256, &late, nullptr);
    EXPECT_EQ(state_blob(15, 8, 0), saved_state(p.component));
}

TEST_F(ProcessingTest, ReportsTheModulatedCutoffOncePerChange) {
    ASSERT_TRUE(instance_start(&p, 48000));
    std::vector<float> in(480, 0.1f), out(480);
    ParamChanges report;
    instance_process(&p, in.data(), out.data(), 480, nullptr, &report);
    EXPECT_EQ(0, report.total_points()) << "248 at activation equals the initial report";

    ParamChanges cutoff_zero;
    cutoff_zero.add(cutoff_id, 0, 0.0);
    instance_process(&p, in.data(), out.data(), 480, &cutoff_zero, &report);
    ASSERT_EQ(1u, report.queues.size());
    EXPECT_EQ(mod_cutoff_id, report.queues[0]->id);
    ASSERT_EQ(1u, report.queues[0]->points.size());
    EXPECT_EQ(479, report.queues[0]->points[0].offset);
    EXPECT_EQ(8.0 / 255.0, report.queues[0]->points[0].value);

    report.clear();
    instance_process(&p, in.data(), out.data(), 480, nullptr, &report);
    EXPECT_EQ(0, report.total_points());

    // A host without room for the report: nothing sent, nothing repeated later.
    ParamChanges full;
    full.queue_capacity = 0;
    ParamChanges back;
    back.add(cutoff_id, 0, 1.0);
    instance_process(&p, in.data(), out.data(), 480, &back, &full);
    EXPECT_TRUE(full.queues.empty());
    instance_process(&p, in.data(), out.data(), 480, nullptr, &report);
    EXPECT_EQ(0, report.total_points());
    ParamChanges refusing;
    refusing.refuse_points = true;
    ParamChanges down;
    down.add(cutoff_id, 0, 0.0);
    instance_process(&p, in.data(), out.data(), 480, &down, &refusing);
    EXPECT_EQ(0, refusing.total_points());
}

TEST_F(ProcessingTest, InactiveBusSilencesButStillReports) {
    IComponent* c = p.component;
    SpeakerArrangement mono = kSpeakerM;
    ProcessSetup setup = {kRealtime, kSample32, 1024, 48000.0};
    ASSERT_EQ(kResultOk, p.processor->vtbl->setBusArrangements(p.processor, &mono, 1, &mono, 1));
    ASSERT_EQ(kResultOk, p.processor->vtbl->setupProcessing(p.processor, &setup));
    ASSERT_EQ(kResultOk, c->vtbl->activateBus(c, kAudio, kOutput, 0, 1));  // input stays off
    ASSERT_EQ(kResultOk, c->vtbl->setActive(c, 1));
    std::vector<float> in(480, 0.5f), out(480, 1.0f);
    ParamChanges cutoff_zero, report;
    cutoff_zero.add(cutoff_id, 0, 0.0);
    instance_process(&p, in.data(), out.data(), 480, &cutoff_zero, &report);
    for (float s : out) ASSERT_EQ(0.0f, s);
    EXPECT_EQ(0, report.total_points()) << "the engine did not run, so the value stayed 248";

    // Reactivation recomputes the value from cutoff 0; a 0-sample block defers the report.
    ASSERT_EQ(kResultOk, c->vtbl->setActive(c, 0));
    ASSERT_EQ(kResultOk, c->vtbl->setActive(c, 1));
    instance_process(&p, in.data(), out.data(), 0, nullptr, &report);
    EXPECT_EQ(0, report.total_points());
    instance_process(&p, in.data(), out.data(), 64, nullptr, &report);
    ASSERT_EQ(1, report.total_points());
    EXPECT_EQ(63, report.queues[0]->points[0].offset);
    EXPECT_EQ(8.0 / 255.0, report.queues[0]->points[0].value);

    // Turning the input on takes effect at the next activation only.
    ASSERT_EQ(kResultOk, c->vtbl->activateBus(c, kAudio, kInput, 0, 1));
    std::fill(out.begin(), out.end(), 1.0f);
    instance_process(&p, in.data(), out.data(), 480, nullptr, nullptr);
    EXPECT_EQ(0.0f, out[100]);
    ASSERT_EQ(kResultOk, c->vtbl->setActive(c, 0));
    ASSERT_EQ(kResultOk, c->vtbl->setActive(c, 1));
    instance_process(&p, in.data(), out.data(), 480, nullptr, nullptr);
    bool sound = false;
    for (float s : out) sound |= s != 0.0f;
    EXPECT_TRUE(sound);
}

// Hosts flush parameters before activation, with 0 samples, without buffers or buses.
TEST_F(ProcessingTest, ToleratesMissingBuffersAndBuses) {
    ParamChanges changes;
    changes.add(cutoff_id, 0, 0.2);
    ProcessData data = {};
    data.numSamples = 0;
    data.inputParameterChanges = &changes.changes;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));  // before setActive, no buses
    data.numSamples = 128;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));  // samples, still no buses
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, nullptr));

    ASSERT_TRUE(instance_start(&p, 48000));
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));  // active, but no buses given
    AudioBusBuffers in_bus = {}, out_bus = {};
    in_bus.numChannels = 1;
    out_bus.numChannels = 1;
    data.inputs = &in_bus;
    data.outputs = &out_bus;
    data.numInputs = 1;
    data.numOutputs = 1;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));  // null channel arrays
    float* none[1] = {nullptr};
    std::vector<float> out(128, 1.0f);
    float* outs[1] = {out.data()};
    in_bus.channelBuffers32 = none;
    out_bus.channelBuffers32 = outs;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));  // null input channel
    for (float s : out) ASSERT_EQ(0.0f, s);
    data.numSamples = -5;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));

    // 64-bit buffers are never processed, but they are silenced at their own width.
    std::vector<double> wide(128, 1.0);
    double* wides[1] = {wide.data()};
    out_bus.channelBuffers64 = wides;
    in_bus.channelBuffers64 = wides;
    data.symbolicSampleSize = kSample64;
    data.numSamples = 128;
    EXPECT_EQ(kResultOk, p.processor->vtbl->process(p.processor, &data));
    for (double s : wide) ASSERT_EQ(0.0, s);
    EXPECT_EQ(state_blob(3, 0, 7), saved_state(p.component));
}

TEST_F(ProcessingTest, ProcessingBeforeInitializeIsHarmless) {
    IPluginFactory3* f = test_factory();
    PClassInfo info;
    ASSERT_EQ(kResultOk, f->vtbl->getClassInfo(f, 0, &info));
    void* obj = nullptr;
    ASSERT_EQ(kResultOk, f->vtbl->createInstance(f, info.cid, IID_IComponent, &obj));
    IComponent* c = (IComponent*)obj;
    ASSERT_EQ(kResultOk, c->vtbl->queryInterface(c, IID_IAudioProcessor, &obj));
    IAudioProcessor* a = (IAudioProcessor*)obj;
    std::vector<float> in(64, 0.5f), out(64, 1.0f);
    float* ins[1] = {in.data()};
    float* outs[1] = {out.data()};
    AudioBusBuffers in_bus = {1, 0, {ins}}, out_bus = {1, 0, {outs}};
    ProcessData data = {};
    data.numSamples = 64;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in_bus;
    data.outputs = &out_bus;
    EXPECT_EQ(kResultOk, a->vtbl->process(a, &data));
    EXPECT_EQ(0.0f, out[0]);
    EXPECT_EQ(kResultOk, c->vtbl->setActive(c, 1));  // set-up never called: rate 0
    EXPECT_EQ(kResultOk, a->vtbl->process(a, &data));
    funknown_release(a);
    EXPECT_EQ(0u, funknown_release(c));
}

// Rates hosts and validators try. Unusable rates (0, negative, not a number, beyond float)
// give silence; the others give finite sound. Below about 2 kHz the engine's band-pass can
// diverge after a re-activation (its reference cutoff then comes from the last tick), so
// there the module is only required to keep running.
TEST_F(ProcessingTest, OddSampleRatesAndActivationToggles) {
    struct { double rate; bool finite; } cases[] = {
        {0.0, true},   {-44100.0, true}, {NAN, true},       {INFINITY, true},  {1e300, true},
        {1.0, false},  {100.0, false},   {1234.5678, false}, {8000.0, true},   {12345.678, true},
        {22050.0, true}, {123456.78, true}, {384000.0, true}, {1234567.8, true},
    };
    std::vector<float> in = test_signal(1536), out(1536);
    for (auto& c : cases) {
        PluginInstance q;
        ASSERT_TRUE(instance_create(test_factory(), &q));
        ASSERT_TRUE(instance_start(&q, c.rate));
        ParamChanges lfo;
        lfo.add(lfo_amt_id, 0, 1.0);
        lfo.add(lfo_speed_id, 0, 1.0);
        bool finite = true;
        for (int toggle = 0; toggle < 3; toggle++) {
            instance_process(&q, in.data(), out.data(), 512, &lfo, nullptr);
            instance_process(&q, in.data() + 512, out.data() + 512, 1024, nullptr, nullptr);
            for (float s : out) finite = finite && std::isfinite(s);
            ASSERT_EQ(kResultOk, q.component->vtbl->setActive(q.component, 0));
            ASSERT_EQ(kResultOk, q.component->vtbl->setActive(q.component, 1));
        }
        if (c.finite) {
            EXPECT_TRUE(finite) << "rate " << c.rate;
        }
        instance_destroy(&q);
    }
}

// Flush-to-zero and denormals-are-zero hold while the block runs (the host's change list sees
// them when the processor reads it) and the caller's bits come back afterwards.
TEST_F(ProcessingTest, RunsWithoutDenormalsAndRestoresTheCallersMode) {
    ASSERT_TRUE(instance_start(&p, 48000));
    std::vector<float> in(64, 0.5f), out(64);
    ParamChanges changes;
    const unsigned bits = 0x8040u;
    unsigned before = _mm_getcsr();
    _mm_setcsr(before & ~bits);
    instance_process(&p, in.data(), out.data(), 64, &changes, nullptr);
    EXPECT_EQ(bits, changes.csr_seen & bits);
    EXPECT_EQ(0u, _mm_getcsr() & bits);
    _mm_setcsr(before | bits);
    instance_process(&p, in.data(), out.data(), 64, &changes, nullptr);
    EXPECT_EQ(bits, _mm_getcsr() & bits);
    _mm_setcsr(before);
}
