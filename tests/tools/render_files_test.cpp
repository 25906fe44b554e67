// What velmo-render may write: only OUT and the trace, never IN or one over the other, however
// the same file is spelt. Devices, FIFOs and standard output are written in place (here only
// FIFOs made for the test and pipes), and a symbolic link keeps pointing at its new target.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "render_support.h"

static bool is_one_message(const std::string& err) {
    return err.rfind("velmo-render: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

static bool is_kind(const std::string& path, mode_t kind) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

// Runs a render that writes into the FIFO while a thread reads it; returns what came through.
// The test holds the FIFO open for writing too, so that neither side waits for the other and
// the reader sees the end only when the render is over, whatever the renderer did.
static std::string render_into_fifo(const std::vector<std::string>& args, const std::string& fifo,
                                    RunResult* result) {
    int hold = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    int fd = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
    std::string received;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) received.append(buffer, (size_t)n);
    });
    *result = run_render(args);
    close(hold);
    reader.join();
    close(fd);
    return received;
}

// The samples of an audio file received as bytes.
static std::vector<float> decoded(const ScratchDir& dir, const std::string& bytes, const char* name) {
    write_bytes(dir / name, bytes);
    std::vector<float> samples = read_audio(dir / name).samples;
    remove((dir / name).c_str());
    return samples;
}

TEST(RenderFiles, NeverReplacesWhatItWasNotAskedToWrite) {
    ScratchDir dir, elsewhere, work;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    write_audio(in, mono(test_signal(9600, 3)));
    write_bytes(out, "earlier output");
    ASSERT_EQ(symlink(in.c_str(), (dir / "in-link.wav").c_str()), 0);
    ASSERT_EQ(link(in.c_str(), (dir / "in-hard.wav").c_str()), 0);
    const std::string in_bytes = read_bytes(in);
    const std::vector<std::string> names = dir.names();

    // The reference: plain files in another folder.
    ASSERT_EQ(run_render({in, work / "ref.au", "--trace", work / "ref.txt", "--cutoff", "4"}).exit_code, 0);
    const std::vector<float> reference = read_audio(work / "ref.au").samples;
    const std::string reference_trace = read_bytes(work / "ref.txt");
    ASSERT_EQ(reference.size(), 9600u);

    // The same file twice, directly and through a shell's redirections, is refused before
    // anything is written.
    const std::vector<std::vector<std::string>> same_file = {
        {in, out, "--trace", in},
        {in, out, "--trace=" + out},
        {in, dir / "new.wav", "--trace", dir / "./new.wav"},
        {in, dir / "in-link.wav"},
        {in, dir / "in-hard.wav"},
        {dir / "in-link.wav", out, "--trace", in},
        {in, in},
    };
    for (const std::vector<std::string>& args : same_file) {
        SCOPED_TRACE(args[1] + " " + args.back());
        RunResult result = run_render(args);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_TRUE(is_one_message(result.err)) << result.err;
        EXPECT_NE(result.err.find("same file"), std::string::npos) << result.err;
    }
    std::string shown;
    EXPECT_EQ(run_shell("\"$RENDER\" - '" + out + "' <'" + out + "' 2>&1", &shown), 2);
    EXPECT_TRUE(is_one_message(shown)) << shown;
    EXPECT_EQ(run_shell("\"$RENDER\" '" + in + "' - --type au --trace - 2>&1", &shown), 2);
    EXPECT_TRUE(is_one_message(shown)) << shown;
    EXPECT_EQ(read_bytes(in), in_bytes);
    EXPECT_EQ(read_bytes(out), "earlier output");
    EXPECT_EQ(dir.names(), names);

    // Standard streams, only ever through pipes: "-" and /dev/stdout for audio and trace.
    EXPECT_EQ(run_shell("\"$RENDER\" '" + in + "' - --type=au --cutoff 4", &shown), 0);
    EXPECT_EQ(decoded(work, shown, "piped.au"), reference);
    EXPECT_EQ(run_shell("\"$RENDER\" '" + in + "' /dev/stdout --type au --cutoff 4", &shown), 0);
    EXPECT_EQ(decoded(work, shown, "piped.au"), reference);
    EXPECT_EQ(run_shell("\"$RENDER\" '" + in + "' '" + (work / "a.au") + "' --trace - --cutoff 4", &shown), 0);
    EXPECT_EQ(shown, reference_trace);
    EXPECT_EQ(run_shell("\"$RENDER\" - '" + (work / "a.au") + "' --cutoff 4 <'" + in + "'", &shown), 0);
    EXPECT_EQ(read_audio(work / "a.au").samples, reference);
    // A container that goes back to its header cannot be streamed: one line, nothing written
    // (libsndfile would start an AIFF header before giving up).
    EXPECT_EQ(run_shell("\"$RENDER\" '" + in + "' /dev/stdout --type aiff 2>&1", &shown), 1);
    EXPECT_TRUE(is_one_message(shown)) << shown;
    EXPECT_NE(shown.find("pipe"), std::string::npos) << shown;

    // FIFOs stay FIFOs and carry the audio and the trace.
    const std::string fifo = work / "fifo.au";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    RunResult result;
    EXPECT_EQ(decoded(work, render_into_fifo({in, fifo, "--cutoff", "4"}, fifo, &result), "got.au"), reference);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(render_into_fifo({in, work / "a.au", "--trace", fifo, "--cutoff", "4"}, fifo, &result),
              reference_trace);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(render_into_fifo({in, fifo, "--type", "wav"}, fifo, &result), "");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_TRUE(is_one_message(result.err)) << result.err;
    EXPECT_TRUE(is_kind(fifo, S_IFIFO));

    // Links stay links; their targets, existing or not yet there, are replaced whole, with the
    // temporary file beside the target. The trace goes through two links, the second relative.
    write_bytes(elsewhere / "old.au", "earlier output");
    ASSERT_EQ(symlink((elsewhere / "old.au").c_str(), (work / "link.au").c_str()), 0);
    ASSERT_EQ(mkdir((elsewhere / "sub").c_str(), 0700), 0);
    ASSERT_EQ(symlink("../new.txt", (elsewhere / "sub/dangling.txt").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "sub/dangling.txt").c_str(), (work / "link.txt").c_str()), 0);
    result = run_render({in, work / "link.au", "--trace", work / "link.txt", "--cutoff", "4"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_TRUE(is_kind(work / "link.au", S_IFLNK));
    EXPECT_TRUE(is_kind(work / "link.txt", S_IFLNK));
    EXPECT_TRUE(is_kind(elsewhere / "sub/dangling.txt", S_IFLNK));
    EXPECT_EQ(read_audio(elsewhere / "old.au").samples, reference);
    EXPECT_EQ(read_bytes(elsewhere / "new.txt"), reference_trace);
    EXPECT_EQ(elsewhere.names(), (std::vector<std::string>{"new.txt", "old.au", "sub"}));
    remove((elsewhere / "sub/dangling.txt").c_str());
}
