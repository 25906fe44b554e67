// The state interface: one atom:Chunk property, its statuses and messages, and how restored
// values reach the engine through the exchange block.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>

#include "plugin/params.h"
#include "plugin_fixture.h"
#include "blob_values.h"
#include "state/state_archive.h"

static const char* const STORE_MESSAGE = "Host is trying to store state but didn't provide URID map\n";
static const char* const MISSING_MAP_MESSAGE = "Missing feature <http://lv2plug.in/ns/ext/urid#map>\n";
static const char* const RESTORE_MESSAGE = "Host is trying to restore state but didn't provide URID map\n";

// A blob with the given "id" and parameter entries; a null value leaves the key out.
struct BlobEntry {
    const char* key;
    std::vector<uint8_t> value;
};
static std::vector<uint8_t> blob_with(const std::vector<BlobEntry>& info,
                                      const std::vector<BlobEntry>& parameters) {
    StateArchive archive;
    EXPECT_EQ(state_archive_init(&archive), 0);
    for (const BlobEntry& e : info)
        entry_map_insert(archive.info, e.key, strlen(e.key), e.value.data(), e.value.size());
    for (const BlobEntry& e : parameters)
        entry_map_insert(archive.parameters, e.key, strlen(e.key), e.value.data(), e.value.size());
    size_t length = 0;
    uint8_t* blob = state_archive_save(&archive, &length);
    state_archive_free(&archive);
    std::vector<uint8_t> bytes(blob, blob + length);
    free(blob);
    return bytes;
}

static std::vector<uint8_t> bytes_of(const char* text) {
    return std::vector<uint8_t>(text, text + strlen(text));
}

static std::vector<uint8_t> float_bytes(float value) {
    std::vector<uint8_t> bytes(4);
    memcpy(bytes.data(), &value, 4);
    return bytes;
}

static std::vector<BlobEntry> good_id() { return {{"id", bytes_of("brindle-velmo")}}; }

static std::vector<BlobEntry> parameters(float cutoff, float lfo_amt, float lfo_speed) {
    return {{"cutoff", float_bytes(cutoff)}, {"lfo_amt", float_bytes(lfo_amt)},
            {"lfo_speed", float_bytes(lfo_speed)}};
}

class StateTest : public PluginTest {
  protected:
    // An activated instance whose control inputs are unconnected, so that restored values
    // stay in the engine and a fresh save shows them.
    void start_with(float cutoff, float lfo_amt, float lfo_speed) {
        ASSERT_NE(create(WITH_MAP_AND_LOG, 44100.0), nullptr);
        controls[0] = cutoff, controls[1] = lfo_amt, controls[2] = lfo_speed;
        connect_all();
        activate();
        run(64);
        for (uint32_t i = 0; i < 3; i++) descriptor->connect_port(instance, PORT_CUTOFF + i, nullptr);
    }

    LV2_State_Status restore_blob(const std::vector<uint8_t>& blob) {
        offer_blob(blob);
        return restore();
    }
};

TEST_F(StateTest, SaveStoresOneChunkPropertyWithFlags3) {
    start_with(3, 9, 12);
    for (uint32_t host_flags : {0u, (uint32_t)LV2_STATE_IS_NATIVE, 0xFFFFFFFFu}) {
        store = StateStore();
        ASSERT_EQ(save(host_flags), LV2_STATE_SUCCESS);
        EXPECT_EQ(store.store_calls, 1);
        EXPECT_EQ(map.unmap(store.property.key), "https://brindle.digital/plugins/velmo#state_data");
        EXPECT_EQ(map.unmap(store.property.type), LV2_ATOM__Chunk);
        EXPECT_EQ(store.property.flags, 3u);
    }
    // The blob both formats write (its layout: tests/state/state_blob_test.cpp), as LV2 at 44.1 kHz.
    const float values[3] = {3, 9, 12};
    EXPECT_EQ(store.property.value, blob_made("lv2", 44100.0f, values));
    EXPECT_TRUE(log.take().empty());
}

TEST_F(StateTest, SaveBeforeActivateStoresTheStartingValues) {
    ASSERT_NE(create(), nullptr);
    expect_saved_values(15, 0, 7);
}

TEST_F(StateTest, SaveBeforeTheFirstRunStoresRestorableValues) {
    ASSERT_NE(create(), nullptr);
    connect_all();
    controls[0] = std::numeric_limits<float>::quiet_NaN();
    controls[1] = 7.6f;
    controls[2] = 40.0f;
    activate();  // takes the ports unsnapped; no Run yet
    expect_saved_values(0, 8, 15);
    std::vector<uint8_t> saved(store.property.value);
    EXPECT_EQ(restore_blob(saved), LV2_STATE_SUCCESS);
}

TEST_F(StateTest, SaveReportsAFailingStoreAsStatus1) {
    start_with(3, 9, 12);
    for (LV2_State_Status host_status : {LV2_STATE_ERR_UNKNOWN, LV2_STATE_ERR_NO_SPACE}) {
        store.store_result = host_status;
        EXPECT_EQ(save(), LV2_STATE_ERR_UNKNOWN);
    }
}

TEST_F(StateTest, WithoutMapSaveAndRestoreRefuseWithTheirMessages) {
    // Messages to the log feature when there is one, otherwise to stderr.
    for (FeatureChoice choice : {LOG_ONLY, NO_FEATURES}) {
        SCOPED_TRACE(choice);
        StderrCapture capture;
        capture.begin();
        ASSERT_NE(create(choice), nullptr);
        connect_all();
        activate();
        run(16);
        store = StateStore();
        EXPECT_EQ(save(), LV2_STATE_ERR_UNKNOWN);
        const float values[3] = {1, 2, 3};
        offer_blob(blob_made("lv2", 48000.0f, values));
        EXPECT_EQ(restore(), LV2_STATE_ERR_UNKNOWN);
        std::string err = capture.end();
        EXPECT_EQ(store.store_calls, 0);
        EXPECT_EQ(store.retrieve_calls, 0);

        std::vector<std::string> texts;
        for (const LogRecorder::Message& m : log.take()) texts.push_back(m.text);
        if (choice == LOG_ONLY) {
            EXPECT_EQ(texts, (std::vector<std::string>{MISSING_MAP_MESSAGE, STORE_MESSAGE, RESTORE_MESSAGE}));
            EXPECT_EQ(err, "");
        } else {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(err, std::string(MISSING_MAP_MESSAGE) + STORE_MESSAGE + RESTORE_MESSAGE);
        }
        // Nothing was applied: the run goes on with the ports' values.
        run(480);
        EXPECT_EQ(mod_cutoff, 248.0f);
        descriptor->cleanup(instance);
        instance = nullptr;
    }
}

// A missing property gives status 5; one of another type than save's atom:Chunk is refused as
// a bad blob is. Each names the key in one error message and changes nothing.
TEST_F(StateTest, MissingOrMistypedPropertyIsRefusedAndNamesTheKey) {
    const std::string key = "Cannot restore state since property <https://brindle.digital/plugins/velmo#state_data>";
    struct Case {
        const char* type;  // null: no property at all
        LV2_State_Status status;
        std::string message;
    } cases[] = {
        {nullptr, LV2_STATE_ERR_NO_PROPERTY, key + " could not be retrieved\n"},
        {LV2_ATOM__String, LV2_STATE_ERR_UNKNOWN, key + " is not of type <http://lv2plug.in/ns/ext/atom#Chunk>\n"},
        {LV2_ATOM__Vector, LV2_STATE_ERR_UNKNOWN, key + " is not of type <http://lv2plug.in/ns/ext/atom#Chunk>\n"},
        {"", LV2_STATE_ERR_UNKNOWN, key + " is not of type <http://lv2plug.in/ns/ext/atom#Chunk>\n"},
    };
    start_with(3, 9, 12);
    const float values[3] = {1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type ? c.type : "no property");
        offer_blob(blob_made("lv2", 48000.0f, values));
        store.retrieve_nothing = !c.type;
        if (c.type) store.property.type = *c.type ? map.map(c.type) : 0;
        EXPECT_EQ(restore(), c.status);
        std::vector<LogRecorder::Message> messages = log.take();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.message);
        EXPECT_EQ(map.unmap(messages[0].level), LV2_LOG__Error);
        run(64);
        expect_saved_values(3, 9, 12);
    }
}

TEST_F(StateTest, SavedStateRestoresIntoAnotherInstance) {
    start_with(3, 9, 12);
    ASSERT_EQ(save(), LV2_STATE_SUCCESS);
    StateProperty saved = store.property;
    descriptor->cleanup(instance);
    instance = nullptr;

    start_with(15, 0, 7);
    store.property = saved;
    EXPECT_EQ(restore(), LV2_STATE_SUCCESS);
    EXPECT_EQ(store.retrieve_calls, 1);
    run(441);
    expect_saved_values(3, 9, 12);
    EXPECT_TRUE(log.take().empty());

    // A state written by the other plug-in format restores the same way.
    const float vst3_values[3] = {11, 0, 2};
    EXPECT_EQ(restore_blob(blob_made("vst3", 48000.0f, vst3_values)), LV2_STATE_SUCCESS);
    run(441);
    EXPECT_EQ(mod_cutoff, 11.0f * 16 + 8);
    expect_saved_values(11, 0, 2);
}

TEST_F(StateTest, RestoredValuesAreSnapped) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float restored[3], engine[3];
    } cases[] = {
        {{7.6f, 7.5f, 7.49f}, {8, 8, 7}},
        {{99, -3, inf}, {15, 0, 15}},
        {{inf, -inf, -0.4f}, {15, 0, 0}},
        {{-3, 16.2f, 1e30f}, {0, 15, 15}},
    };
    start_with(5, 5, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.restored[0] << " " << c.restored[1] << " " << c.restored[2]);
        ASSERT_EQ(restore_blob(blob_with(good_id(), parameters(c.restored[0], c.restored[1], c.restored[2]))),
                  LV2_STATE_SUCCESS);
        run(1);
        expect_saved_values(c.engine[0], c.engine[1], c.engine[2]);
    }
}

TEST_F(StateTest, InvalidBlobsAreRefusedWithStatus1AndChangeNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<uint8_t> eight_bytes = float_bytes(1);
    eight_bytes.resize(8);
    std::vector<uint8_t> id_with_terminator = bytes_of("brindle-velmo");
    id_with_terminator.push_back(0);
    std::vector<BlobEntry> no_lfo_amt = {{"cutoff", float_bytes(1)}, {"lfo_speed", float_bytes(1)}};
    std::vector<BlobEntry> short_speed = parameters(1, 1, 1);
    short_speed[2].value = eight_bytes;
    std::vector<BlobEntry> nan_speed = parameters(1, 1, nan);
    std::vector<BlobEntry> nan_cutoff = parameters(nan, 1, 1);
    std::vector<BlobEntry> three_byte_amt = parameters(1, 1, 1);
    three_byte_amt[1].value.resize(3);
    std::vector<uint8_t> valid = blob_with(good_id(), parameters(1, 1, 1));
    std::vector<uint8_t> truncated(valid.begin(), valid.begin() + (long)valid.size() / 2);
    std::vector<uint8_t> garbage(valid.size(), 0xA5);

    struct Case {
        const char* what;
        std::vector<uint8_t> blob;
    } cases[] = {
        {"other id", blob_with({{"id", bytes_of("brindle-velmp")}}, parameters(1, 1, 1))},
        {"id with terminator", blob_with({{"id", id_with_terminator}}, parameters(1, 1, 1))},
        {"short id", blob_with({{"id", bytes_of("brindle")}}, parameters(1, 1, 1))},
        {"no id", blob_with({{"format", bytes_of("lv2")}}, parameters(1, 1, 1))},
        {"lfo_speed of 8 bytes", blob_with(good_id(), short_speed)},
        {"lfo_speed NaN", blob_with(good_id(), nan_speed)},
        {"cutoff NaN", blob_with(good_id(), nan_cutoff)},
        {"lfo_amt missing", blob_with(good_id(), no_lfo_amt)},
        {"lfo_amt of 3 bytes", blob_with(good_id(), three_byte_amt)},
        {"empty", {}},
        {"truncated", truncated},
        {"garbage", garbage},
    };
    start_with(5, 6, 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(restore_blob(c.blob), LV2_STATE_ERR_UNKNOWN);
        run(441);
        expect_saved_values(5, 6, 7);
    }
    EXPECT_TRUE(log.take().empty());
}

// Every single-byte corruption of a valid blob either applies (values then snapped into
// range) or is refused; none may crash or read outside the blob.
TEST_F(StateTest, CorruptedBlobsNeverCrash) {
    std::vector<uint8_t> valid = blob_with(good_id(), parameters(2, 3, 4));
    start_with(5, 6, 7);
    int applied = 0;
    for (size_t i = 0; i < valid.size(); i++) {
        std::vector<uint8_t> blob = valid;
        blob[i] ^= (uint8_t)(0x5A + i);
        LV2_State_Status status = restore_blob(blob);
        ASSERT_TRUE(status == LV2_STATE_SUCCESS || status == LV2_STATE_ERR_UNKNOWN) << i;
        applied += status == LV2_STATE_SUCCESS;
        // Cut short, in a block of its own so that a read past the end is caught. The
        // archive's zero padding at the end may go without harm.
        std::vector<uint8_t> prefix(valid.begin(), valid.begin() + (long)i);
        status = restore_blob(prefix);
        ASSERT_TRUE(status == LV2_STATE_SUCCESS || status == LV2_STATE_ERR_UNKNOWN) << i;
        if (i < valid.size() / 2) {
            EXPECT_EQ(status, LV2_STATE_ERR_UNKNOWN) << i;
        }
    }
    run(1);
    ASSERT_EQ(save(), LV2_STATE_SUCCESS);
    float saved[3];
    ASSERT_TRUE(blob_values(store.property.value, saved));
    for (float v : saved) EXPECT_TRUE(v >= 0 && v <= 15 && v == std::floor(v)) << v;
    EXPECT_GT(applied, 0);
}

TEST_F(StateTest, RestoreReachesTheEngineAtTheNextRunThenThePortsApply) {
    // Ports connected: the next Run takes the restored values and then, in the same call, the
    // port values that differ from them.
    ASSERT_NE(create(), nullptr);
    connect_all();
    controls[0] = 5, controls[1] = 0, controls[2] = 7;
    activate();
    run(64);
    const float restored[3] = {9, 0, 3};
    ASSERT_EQ(restore_blob(blob_made("lv2", 48000.0f, restored)), LV2_STATE_SUCCESS);
    controls[2] = 3;  // equal to the restored value: it stays
    run(64);
    expect_saved_values(5, 0, 3);

    // An Activate before the next Run takes the ports again and drops the restored values.
    ASSERT_EQ(restore_blob(blob_made("lv2", 48000.0f, restored)), LV2_STATE_SUCCESS);
    for (uint32_t i = 0; i < 3; i++) descriptor->connect_port(instance, PORT_CUTOFF + i, nullptr);
    activate();
    run(64);
    expect_saved_values(15, 0, 7);
}

TEST_F(StateTest, RestoreBeforeActivateIsOverriddenButSaveWorks) {
    ASSERT_NE(create(), nullptr);
    const float restored[3] = {1, 2, 3};
    ASSERT_EQ(restore_blob(blob_made("lv2", 48000.0f, restored)), LV2_STATE_SUCCESS);
    connect_all();
    controls[0] = 12;
    activate();
    run(1);
    expect_saved_values(12, 0, 7);
}

// A host saving on another thread while audio runs: Run must never lose a control change,
// and every save must succeed with whole-numbered values.
TEST_F(StateTest, SaveRacingRunLosesNoControlChange) {
    start_with(15, 0, 7);
    connect_all();
    std::atomic<bool> stop(false);
    std::atomic<int> saves(0), bad_saves(0);
    std::thread saver([&] {
        StateStore own;
        while (!stop.load()) {
            own = StateStore();
            if (state()->save(instance, StateStore::store, &own, 0, nullptr) != LV2_STATE_SUCCESS)
                bad_saves++;
            saves++;
        }
    });

    // Until enough changes have met the lock held (the two threads must actually overlap,
    // which a busy machine may delay), within a time limit.
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    int deferred = 0, lost = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int i = 0; deferred < 50 && lost == 0 && std::chrono::steady_clock::now() < deadline; i++) {
        float wanted[3] = {(float)(i % 16), (float)((i / 16) % 16), (float)((i * 7) % 16)};
        for (int p = 0; p < 3; p++) controls[p] = wanted[p] + 0.25f;
        run(0);  // short runs: most of the time is spent in the intake, where the race is
        if (memcmp(plugin->core.engines[0].param_values, wanted, sizeof wanted) == 0) continue;
        deferred++;
        // A change that met the lock held must arrive within the following runs.
        bool arrived = false;
        for (int tries = 0; tries < 100000 && !arrived; tries++) {
            std::this_thread::yield();
            run(16);
            arrived = memcmp(plugin->core.engines[0].param_values, wanted, sizeof wanted) == 0;
        }
        lost += !arrived;
    }
    stop = true;
    saver.join();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(bad_saves.load(), 0);
    EXPECT_GT(saves.load(), 0);
    RecordProperty("deferred_changes", deferred);
    RecordProperty("saves", saves.load());
    printf("saves %d, control changes that met the lock %d\n", saves.load(), deferred);
}

// A host that restores and saves before the next Run (a session saved right after it was
// loaded, "save preset" right after "load preset") must get back what it restored.
TEST_F(StateTest, SaveRightAfterRestoreHoldsTheRestoredValues) {
    const float restored[3] = {3, 12, 9};
    ASSERT_NE(create(WITH_MAP_AND_LOG, 44100.0), nullptr);
    ASSERT_EQ(restore_blob(blob_made("lv2", 48000.0f, restored)), LV2_STATE_SUCCESS);
    expect_saved_values(3, 12, 9);  // never activated
    descriptor->cleanup(instance);
    instance = nullptr;

    start_with(15, 0, 7);
    ASSERT_EQ(restore_blob(blob_made("lv2", 48000.0f, restored)), LV2_STATE_SUCCESS);
    expect_saved_values(3, 12, 9);  // active, no Run yet
    run(64);
    expect_saved_values(3, 12, 9);  // after the Run
    // Restores racing saves on other threads: tests/hardening/stress_test.cpp, both formats.
}
