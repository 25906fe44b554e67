// The Linux editor host against a stand-in helper (fake_helper.cpp): frames both ways, sizes,
// and every way a helper can fail: missing, ending at once, sending a bad frame, not reading,
// not ending when its socket closes. No X server is needed.
#include <gtest/gtest.h>

#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "editor_frame.h"
#include "editor_linux.h"

using Clock = std::chrono::steady_clock;

struct Call {
    char what;
    uint32_t index;
    float value;
};

struct Recorder {
    std::vector<Call> calls;
};

static void on_begin(void* user, uint32_t index, float value) { ((Recorder*)user)->calls.push_back({'b', index, value}); }
static void on_value(void* user, uint32_t index, float value) { ((Recorder*)user)->calls.push_back({'s', index, value}); }
static void on_end(void* user, uint32_t index, float value) { ((Recorder*)user)->calls.push_back({'e', index, value}); }

static std::string folder;  // holds velmo-editor: the stand-in, or nothing
static const char* the_folder(void*) { return folder.c_str(); }

static std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// True when this process has no child left (every helper reaped, none a zombie).
static bool no_children(void) { return waitpid(-1, nullptr, WNOHANG) < 0; }

class EditorHostLinux : public testing::Test {
protected:
    Recorder recorder;
    EditorDescriptor descriptor = {&recorder, "vst3", the_folder, the_folder, on_begin, on_value, on_end};
    std::string work = std::string(VELMO_TEST_WORK_DIR) + "/" + testing::UnitTest::GetInstance()->current_test_info()->name();

    void SetUp() override {
        ASSERT_EQ(0, system(("rm -rf '" + work + "' && mkdir -p '" + work + "/with' '" + work + "/without'").c_str()));
        ASSERT_EQ(0, symlink(VELMO_FAKE_HELPER, (work + "/with/velmo-editor").c_str()));
        folder = work + "/with";
        setenv("VELMO_FAKE_HELPER_LOG", (work + "/log.txt").c_str(), 1);
        setenv("VELMO_FAKE_HELPER_ARGS", (work + "/args.txt").c_str(), 1);
    }

    EditorHost* open(const char* mode) {
        setenv("VELMO_FAKE_HELPER", mode, 1);
        return editorOpen(true, (void*)(uintptr_t)0x1234, &descriptor, 800, 600, 4);
    }

    // Serves the host as an adapter does (idle when the socket is readable) until done() holds.
    static bool serve_until(EditorHost* host, int timeout_ms, const std::function<bool()>& done) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done()) {
            if (Clock::now() > deadline) return false;
            pollfd p = {editorSocket(host), POLLIN, 0};
            poll(&p, p.fd >= 0 ? 1 : 0, 20);
            editorIdle(host);
        }
        return true;
    }
};

TEST_F(EditorHostLinux, CarriesThePageProtocolBothWays) {
    // A host's own toolkit settings stay with the host; the rest of its environment is passed on.
    setenv("LD_LIBRARY_PATH", "/opt/host/lib", 1);
    setenv("GTK_PATH", "/opt/host/gtk", 1);
    EditorHost* host = open("talk");
    unsetenv("LD_LIBRARY_PATH");
    unsetenv("GTK_PATH");
    ASSERT_NE(nullptr, host);
    EXPECT_EQ((void*)(uintptr_t)0x1234, editorWindow(host));
    editorSendValue(host, 0, 15.0f);
    editorSendValue(host, 1, 7.9f);  // whole numbers only: 7
    editorSendValue(host, 3, 200.0f);
    ASSERT_TRUE(serve_until(host, 5000, [&] { return recorder.calls.size() >= 3; }));
    ASSERT_EQ(3u, recorder.calls.size());  // index 9 and the unknown letter are ignored
    EXPECT_EQ('b', recorder.calls[0].what);
    EXPECT_EQ(3.0f, recorder.calls[0].value);
    EXPECT_EQ('s', recorder.calls[1].what);
    EXPECT_EQ(4.0f, recorder.calls[1].value);
    EXPECT_EQ('e', recorder.calls[2].what);
    EXPECT_EQ(0u, recorder.calls[2].index);
    EXPECT_EQ(5.0f, recorder.calls[2].value);
    int width = 0, height = 0;
    ASSERT_TRUE(serve_until(host, 2000, [&] { editorSize(host, &width, &height); return width == 640; }));
    EXPECT_EQ(480, height);
    editorSetSize(host, 1000, 700);
    editorSize(host, &width, &height);
    EXPECT_EQ(1000, width);
    EXPECT_EQ(700, height);
    EXPECT_TRUE(editorIsOpen(host));
    editorClose(host);
    EXPECT_TRUE(no_children());

    // The values as sent, the answer to "g" from the value table, the size, in order.
    EXPECT_EQ("m s 00000000 41700000\n"
              "m s 00000001 40e00000\n"
              "m s 00000003 43480000\n"
              "m s 00000000 41700000\n"
              "m s 00000001 40e00000\n"
              "m s 00000002 00000000\n"
              "m s 00000003 43480000\n"
              "z 1000 700\n",
              read_file(work + "/log.txt"));
    EXPECT_EQ("--socket\n3\n--page\n" + work + "/with/index.html\n--width\n800\n--height\n600\n--parent\n4660\n"
              "LD_LIBRARY_PATH=(unset)\nGTK_PATH=(unset)\nVELMO_FAKE_HELPER=talk\n",
              read_file(work + "/args.txt"));
}

// An adapter whose host closes the editor from inside a page callback (editorIdle is under way).
static EditorHost* closing_host;
static void close_at_once(void* user, uint32_t index, float value) {
    on_begin(user, index, value);
    editorClose(closing_host);
}

TEST_F(EditorHostLinux, ACallbackMayCloseTheEditor) {
    descriptor.onEditorBegin = close_at_once;
    closing_host = open("talk");
    ASSERT_NE(nullptr, closing_host);
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (recorder.calls.empty() && Clock::now() < deadline) {
        pollfd p = {editorSocket(closing_host), POLLIN, 0};
        poll(&p, 1, 20);
        editorIdle(closing_host);  // frees the host on its way out once the callback closed it
    }
    ASSERT_EQ(1u, recorder.calls.size());  // nothing after the close
    EXPECT_TRUE(no_children());
}

TEST_F(EditorHostLinux, ReadsFramesThatArriveInPieces) {
    EditorHost* host = open("torn");
    ASSERT_NE(nullptr, host);
    editorSendValue(host, 2, 9.0f);
    ASSERT_TRUE(serve_until(host, 5000, [&] { return recorder.calls.size() >= 3; }));
    // The helper answers the page's "g" with the values; it logs them when it gets to read them.
    const char* values_sent = "m s 00000002 41100000\nm s 00000003 00000000\n";
    EXPECT_TRUE(serve_until(host, 5000, [&] {
        return read_file(work + "/log.txt").find(values_sent) != std::string::npos;
    }));
    editorClose(host);
}

TEST_F(EditorHostLinux, AHelperThatCannotRunFailsTheOpen) {
    folder = work + "/without";
    EXPECT_EQ(nullptr, open("talk"));
    // Present but not executable.
    std::ofstream(work + "/without/velmo-editor") << "#!/bin/sh\n";
    EXPECT_EQ(nullptr, open("talk"));
    EXPECT_TRUE(no_children());
    EXPECT_EQ(nullptr, editorOpen(true, nullptr, &descriptor, 0, 600, 4));
}

TEST_F(EditorHostLinux, AHelperThatEndsOrBreaksTheStreamClosesTheEditor) {
    for (const char* mode : {"exit", "bad-frame"}) {
        EditorHost* host = open(mode);
        ASSERT_NE(nullptr, host) << mode;
        EXPECT_TRUE(serve_until(host, 5000, [&] { return !editorIsOpen(host); })) << mode;
        EXPECT_EQ(-1, editorSocket(host));
        EXPECT_TRUE(no_children()) << mode << ": reaped as soon as it is seen gone";
        editorSendValue(host, 0, 1.0f);  // nothing to do, nothing breaks
        editorIdle(host);
        editorClose(host);
        EXPECT_TRUE(recorder.calls.empty());
    }
}

TEST_F(EditorHostLinux, NeverWaitsForAHelperThatStopsReadingOrStays) {
    EditorHost* host = open("deaf");
    ASSERT_NE(nullptr, host);
    auto start = Clock::now();
    // Far more than a socket buffer holds: the host gives up on the helper instead of blocking.
    for (int i = 0; i < 200000 && editorIsOpen(host); i++) editorSendValue(host, (uint32_t)(i % 4), 1.0f);
    EXPECT_FALSE(editorIsOpen(host));
    EXPECT_TRUE(no_children());
    editorClose(host);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    host = open("ignore-eof");
    ASSERT_NE(nullptr, host);
    ASSERT_TRUE(serve_until(host, 2000, [&] { return access((work + "/args.txt").c_str(), F_OK) == 0; }));
    start = Clock::now();
    editorClose(host);  // it outstays its grace and is killed
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(no_children());
}

TEST(EditorFrame, EncodesAndReadsBackWithinTheLimit) {
    uint8_t frame[FRAME_SIZE_MAX];
    std::string longest(FRAME_TEXT_MAX, 'a');
    ASSERT_EQ((size_t)FRAME_SIZE_MAX, frame_encode(frame, FRAME_PAGE, longest.c_str(), longest.size()));
    EXPECT_EQ(0u, frame_encode(frame, FRAME_PAGE, (longest + "a").c_str(), longest.size() + 1));
    FrameReader reader = {};
    char kind, text[FRAME_TEXT_MAX + 1];
    EXPECT_EQ((size_t)FRAME_SIZE_MAX, frame_reader_feed(&reader, frame, FRAME_SIZE_MAX));
    ASSERT_EQ(FRAME_READY, frame_reader_next(&reader, &kind, text));
    EXPECT_EQ(FRAME_PAGE, kind);
    EXPECT_EQ(longest, text);
    // Two frames in one piece: the reader takes the first only.
    size_t one = frame_encode(frame, FRAME_SIZE, "1 2", 3);
    uint8_t two[32];
    memcpy(two, frame, one);
    memcpy(two + one, frame, one);
    EXPECT_EQ(one, frame_reader_feed(&reader, two, 2 * one));
    EXPECT_EQ(FRAME_READY, frame_reader_next(&reader, &kind, text));
    EXPECT_STREQ("1 2", text);
    EXPECT_EQ(FRAME_NONE, frame_reader_next(&reader, &kind, text));
    const uint8_t too_long[3] = {FRAME_PAGE, 0x00, 0x04};  // 1024
    frame_reader_feed(&reader, too_long, 3);
    EXPECT_EQ(FRAME_BAD, frame_reader_next(&reader, &kind, text));
}
