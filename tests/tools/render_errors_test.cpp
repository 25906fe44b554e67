// Bad command lines and bad files: the renderer refuses each with one line on stderr that
// names the file or option, exits non-zero, and leaves no output or temporary file behind.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "render_support.h"

static void write_text(const std::string& path, const char* text) { std::ofstream(path) << text; }

TEST(RenderErrors, EachBadInputIsRefusedByNameLeavingNothingBehind) {
    ScratchDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    write_audio(in, mono(test_signal(4800, 1)));
    write_text(dir / "text.wav", "this is not audio\n");
    write_text(dir / "plain", "a file where a directory should be\n");
    Audio wide;
    wide.channels = 1024;
    wide.samples.assign(1024, 0.0f);
    write_audio(dir / "wide.wav", wide);
    const std::vector<std::string> inputs = dir.names();

    struct Case {
        std::vector<std::string> args;
        std::string named;  // must appear in the message
    };
    const Case cases[] = {
        {{dir / "missing.wav", out}, dir / "missing.wav"},
        {{dir / "text.wav", out}, dir / "text.wav"},
        {{in, dir / "plain/out.wav"}, dir / "plain/out.wav"},
        {{in, dir / "nowhere/out.wav"}, dir / "nowhere/out.wav"},
        {{in, dir / "out.xyz"}, dir / "out.xyz"},
        {{in, dir / "out"}, dir / "out"},
        {{in, out, "--trace", dir / "plain/trace.txt"}, dir / "plain/trace.txt"},
        {{in, dir / "out.flac", "--format", "float"}, dir / "out.flac"},
        {{in, out, "--bogus", "1"}, "--bogus"},
        {{in, out, "-x"}, "-x"},
        {{in, out, "--cutoff", "abc"}, "--cutoff"},
        {{in, out, "--lfo-amt", "3x"}, "--lfo-amt"},
        {{in, out, "--lfo-speed", ""}, "--lfo-speed"},
        {{in, out, "--lfo-speed", "nan"}, "--lfo-speed"},
        {{in, out, "--cutoff", "1e999"}, "--cutoff"},
        {{in, out, "--cutoff"}, "--cutoff"},
        {{in, out, "--block", "0"}, "--block"},
        {{in, out, "--block", "-4"}, "--block"},
        {{in, out, "--block", "2.5"}, "--block"},
        {{in, out, "--block", "99999999999999999999"}, "--block"},
        {{in, out, "--block", "2000000"}, "--block"},
        {{in, out, "--format", "double"}, "--format"},
        {{in, out, "--cutoff=abc"}, "--cutoff"},
        {{in, out, "--block="}, "--block"},
        {{in, out, "--version=1"}, "--version=1"},
        {{in, "-"}, "standard output"},
        {{in, out, "--type", "xyz"}, "--type"},
        {{in, dir / "out.mp3", "--format", "pcm16"}, dir / "out.mp3"},
        {{dir / "wide.wav", out, "--block", "1048576"}, "--block"},
        {{in, out, "--automate", "cutoff"}, "--automate"},
        {{in, out, "--automate", "wobble=3@1"}, "wobble"},
        {{in, out, "--automate", "cutoff=x@1"}, "--automate"},
        {{in, out, "--automate", "cutoff=3@soon"}, "--automate"},
        {{in, out, "--automate", "cutoff=3@-1"}, "--automate"},
        {{in, out, "--automate", "cutoff=3"}, "--automate"},
        {{in}, "OUT"},
        {{}, "IN"},
        {{in, out, "extra"}, "extra"},
    };
    for (const Case& c : cases) {
        std::string command;
        for (const std::string& arg : c.args) command += " '" + arg + "'";
        SCOPED_TRACE(command);
        RunResult result = run_render(c.args);
        EXPECT_NE(result.exit_code, 0);
        EXPECT_NE(result.exit_code, -1);  // refused, not crashed
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("velmo-render: "), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
        EXPECT_EQ(dir.names(), inputs);
    }
}

// A render that fails after it has started writing must not touch an earlier output.
TEST(RenderErrors, FailedRenderKeepsTheExistingOutput) {
    ScratchDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    write_audio(in, mono(test_signal(4800, 1)));
    write_text(out, "earlier output");
    write_text(dir / "plain", "");
    RunResult result = run_render({in, out, "--trace", dir / "plain/trace.txt"});
    EXPECT_EQ(result.exit_code, 1);
    std::ifstream kept(out);
    std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "earlier output");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "out.wav", "plain"}));
}

// The input is a pipe that delivers one second and then stalls, so the renderer is caught in
// the middle of writing; terminating it must remove its temporary output and trace files.
TEST(RenderErrors, InterruptedRenderRemovesItsTemporaryFiles) {
    ScratchDir source, dir;
    write_audio(source / "long.wav", mono(test_signal(48000 * 10, 3)));
    std::ifstream long_file(source / "long.wav", std::ios::binary);
    std::vector<char> first_second(48000 * 4 + 200);
    long_file.read(first_second.data(), (std::streamsize)first_second.size());

    const std::string fifo = dir / "in.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int pid = spawn_render({fifo, dir / "out.wav", "--trace", dir / "trace.txt"}, null_fd);
    close(null_fd);
    int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, first_second.data(), first_second.size()), (ssize_t)first_second.size());

    // Both temporary files exist once rendering has begun.
    for (int i = 0; i < 500 && dir.names().size() < 3; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dir.names().size(), 3u);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});

    // A trace on standard output whose reader has gone: the first write ends the render.
    int pipe_fds[2];
    ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
    close(pipe_fds[0]);
    pid = spawn_render({source / "long.wav", dir / "out.wav", "--trace", "-"}, pipe_fds[1]);
    close(pipe_fds[1]);
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}
