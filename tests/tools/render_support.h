// Running the built velmo-render and reading what it wrote.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
    int exit_code;  // -1 when the program did not exit normally
    std::string err;
};

// Runs velmo-render with the arguments, stdout discarded, stderr captured.
RunResult run_render(const std::vector<std::string>& args);
// Runs velmo-render on a pseudo-terminal; returns everything it showed there.
std::string run_render_on_terminal(const std::vector<std::string>& args);
// Runs a shell command line in which $RENDER is velmo-render; returns its exit status (-1 when
// it did not exit normally) and fills out with what it wrote to standard output, a pipe.
int run_shell(const std::string& command, std::string* out);
// Starts velmo-render with stdout and stderr on the given descriptor; returns its process id.
int spawn_render(const std::vector<std::string>& args, int output_fd);

// A scratch directory, removed with its contents at the end of the test.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> names() const;  // sorted, hidden files included
};

struct Audio {
    int rate = 48000;
    int channels = 1;
    int format = 0;              // libsndfile format code of the file read
    std::vector<float> samples;  // interleaved
    size_t frames() const { return samples.size() / (size_t)channels; }
    std::vector<float> channel(int c) const;
};

// Writes audio with the given libsndfile format (WAV float when 0); fails the test on error.
void write_audio(const std::string& path, const Audio& audio, int format = 0);
Audio read_audio(const std::string& path);
std::vector<std::string> read_lines(const std::string& path);
std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);

// Deterministic test signal: noise plus a tone, amplitude about 0.5.
std::vector<float> test_signal(size_t n, uint32_t seed);
Audio mono(std::vector<float> samples, int rate = 48000);
