// State through host streams: round trips between component and controller, the value rule
// on restore, the blob's contents, and every way a stream or blob can fail.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "module_fixture.h"

static const ParamID ids[3] = {1784049613u, 394330366u, 793359101u};

class StateTest : public InstanceTest {
protected:
    void process_block() {
        float in[32] = {}, out[32];
        instance_process(&p, in, out, 32, nullptr, nullptr);
    }
    // The controller's three stored plain values.
    void expect_controller(double cutoff, double amt, double speed) {
        const double want[3] = {cutoff, amt, speed};
        for (int i = 0; i < 3; i++)
            EXPECT_DOUBLE_EQ(want[i] / 15.0, p.controller->vtbl->getParamNormalized(p.controller, ids[i])) << i;
    }
};

TEST_F(StateTest, ComponentStateReachesTheControllerAndAnotherComponent) {
    ASSERT_TRUE(instance_start(&p, 44100));
    ParamChanges changes;
    changes.add(ids[0], 0, 0.2);
    changes.add(ids[1], 0, 0.6);
    changes.add(ids[2], 0, 1.0);
    float in[64] = {}, out[64];
    instance_process(&p, in, out, 64, &changes, nullptr);
    std::vector<uint8_t> blob = saved_state(p.component);
    // The blob both formats write (its layout: tests/state/state_blob_test.cpp), as VST3.
    ASSERT_EQ(state_blob(3, 9, 15, 44100), blob);
    ASSERT_EQ(kResultOk, restore_controller(p.controller, blob));
    expect_controller(3, 9, 15);

    PluginInstance q;
    ASSERT_TRUE(instance_create(test_factory(), &q));
    ASSERT_EQ(kResultOk, restore_state(q.component, blob));
    // A save before the next block keeps what was restored.
    EXPECT_EQ(state_blob(3, 9, 15, 0), saved_state(q.component));
    instance_process(&q, in, out, 64, nullptr, nullptr);
    EXPECT_EQ(state_blob(3, 9, 15, 0), saved_state(q.component));
    instance_destroy(&q);
}

TEST_F(StateTest, RestoreAppliesTheValueRule) {
    struct { float in[3]; double want[3]; } cases[] = {
        {{20.0f, 3.6f, 7.0f}, {15, 4, 7}},
        {{-0.4f, -0.4f, 0.5f}, {0, 0, 1}},
        {{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 14.49f}, {15, 0, 14}},
    };
    for (auto& c : cases) {
        std::vector<uint8_t> blob = state_blob(c.in[0], c.in[1], c.in[2]);
        ASSERT_EQ(kResultOk, restore_state(p.component, blob));
        process_block();
        EXPECT_EQ(state_blob((float)c.want[0], (float)c.want[1], (float)c.want[2], 0), saved_state(p.component));
        ASSERT_EQ(kResultOk, restore_controller(p.controller, blob));
        expect_controller(c.want[0], c.want[1], c.want[2]);
    }
}

TEST_F(StateTest, InvalidBlobsChangeNothing) {
    std::vector<uint8_t> good = state_blob(2, 3, 4);
    std::vector<std::vector<uint8_t>> bad = {
        {},
        {0x00},
        std::vector<uint8_t>(good.begin(), good.begin() + (long)good.size() / 2),
        std::vector<uint8_t>(good.begin(), good.begin() + 511),
        std::vector<uint8_t>(1024, 0),
        std::vector<uint8_t>(3000, 0xFF),
        state_blob(std::nanf(""), 1, 1),
        state_blob(1, 1, std::nanf("")),
    };
    // Every single-byte corruption of the header and of every 97th byte after it.
    for (size_t i = 0; i < good.size(); i += i < 512 ? 1 : 97) {
        std::vector<uint8_t> flipped = good;
        flipped[i] ^= 0x5A;
        bad.push_back(flipped);
    }
    ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(5, 6, 7)));
    ASSERT_EQ(kResultOk, restore_controller(p.controller, state_blob(5, 6, 7)));
    process_block();
    for (const std::vector<uint8_t>& blob : bad) {
        tresult component = restore_state(p.component, blob);
        tresult controller = restore_controller(p.controller, blob);
        EXPECT_EQ(component, controller);
        EXPECT_TRUE(component == kResultOk || component == kResultFalse);
        if (component == kResultOk) {
            // A flip in padding or in an ignored entry may leave a valid blob: then it applies.
            ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(5, 6, 7)));
            ASSERT_EQ(kResultOk, restore_controller(p.controller, state_blob(5, 6, 7)));
        }
    }
    process_block();
    EXPECT_EQ(state_blob(5, 6, 7, 0), saved_state(p.component));
    expect_controller(5, 6, 7);
}

TEST_F(StateTest, NullEmptyAndFailingStreams) {
    IComponent* c = p.component;
    EXPECT_EQ(kResultFalse, c->vtbl->setState(c, nullptr));
    EXPECT_EQ(kResultFalse, c->vtbl->getState(c, nullptr));
    EXPECT_EQ(kResultFalse, p.controller->vtbl->setComponentState(p.controller, nullptr));
    EXPECT_EQ(kResultFalse, restore_state(c, {}));

    std::vector<uint8_t> blob = state_blob(1, 2, 3);
    MemoryStream s;
    memory_stream_init(&s, blob);
    s.read_limit = (int64_t)blob.size() - 1;
    EXPECT_EQ(kResultFalse, c->vtbl->setState(c, as_stream(&s)));
    EXPECT_EQ(kResultFalse, p.controller->vtbl->setComponentState(p.controller, as_stream(&s)));
    memory_stream_init(&s, blob);
    s.fail_seek = true;
    EXPECT_EQ(kResultFalse, c->vtbl->setState(c, as_stream(&s)));
    memory_stream_init(&s, blob);
    s.fail_tell = true;
    EXPECT_EQ(kResultFalse, p.controller->vtbl->setComponentState(p.controller, as_stream(&s)));

    // A stream left at its end is read from its start, in one piece.
    memory_stream_init(&s, blob);
    s.position = (int64_t)blob.size();
    EXPECT_EQ(kResultOk, c->vtbl->setState(c, as_stream(&s)));
    EXPECT_EQ(1, s.calls_read);
    EXPECT_EQ((int32_t)blob.size(), s.max_piece);

    for (int64_t limit : {(int64_t)0, (int64_t)100, (int64_t)blob.size() - 1}) {
        memory_stream_init(&s);
        s.write_limit = limit;
        EXPECT_EQ(kResultFalse, c->vtbl->getState(c, as_stream(&s))) << limit;
    }
    memory_stream_init(&s);
    ASSERT_EQ(kResultOk, c->vtbl->getState(c, as_stream(&s)));
    EXPECT_EQ(1, s.calls_write);
    EXPECT_EQ(state_blob(1, 2, 3, 0), s.data) << "never activated: sample rate 0, restored values";
    process_block();
    EXPECT_EQ(state_blob(1, 2, 3, 0), saved_state(c));
}

// A host that restores and saves before any audio block (a project saved right after it was
// opened, "save preset" right after "load preset") must get back what it restored.
TEST_F(StateTest, SaveRightAfterRestoreHoldsTheRestoredValues) {
    PluginInstance fresh;  // never activated
    ASSERT_TRUE(instance_create(test_factory(), &fresh));
    ASSERT_EQ(kResultOk, restore_state(fresh.component, state_blob(3, 12, 9)));
    EXPECT_EQ(state_blob(3, 12, 9, 0), saved_state(fresh.component)) << "never activated";
    instance_destroy(&fresh);

    ASSERT_TRUE(instance_start(&p, 44100));
    process_block();
    ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(3, 12, 9)));
    EXPECT_EQ(state_blob(3, 12, 9, 44100), saved_state(p.component)) << "active, no block yet";
    ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(4, 5, 6)));
    EXPECT_EQ(state_blob(4, 5, 6, 44100), saved_state(p.component)) << "the later restore wins";
    process_block();
    EXPECT_EQ(state_blob(4, 5, 6, 44100), saved_state(p.component)) << "after the block";
    // Restores racing saves on other threads: tests/hardening/stress_test.cpp, both formats.
}
