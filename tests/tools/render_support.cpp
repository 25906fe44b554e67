#include "render_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>
#include "test_noise.h"

int spawn_render(const std::vector<std::string>& args, int output_fd) {
    std::vector<char*> argv;
    argv.push_back((char*)VELMO_RENDER_PATH);
    for (const std::string& arg : args) argv.push_back((char*)arg.c_str());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(output_fd, STDOUT_FILENO);
        dup2(output_fd, STDERR_FILENO);
        execv(VELMO_RENDER_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

RunResult run_render(const std::vector<std::string>& args) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return {-1, "pipe failed"};
    pid_t pid = spawn_render(args, pipe_fds[1]);
    close(pipe_fds[1]);
    RunResult result{-1, ""};
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.err.append(buffer, (size_t)n);
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    return result;
}

int run_shell(const std::string& command, std::string* out) {
    std::string line = "RENDER='" VELMO_RENDER_PATH "'; " + command;
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return -1;
    out->clear();
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out->append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string run_render_on_terminal(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back((char*)VELMO_RENDER_PATH);
    for (const std::string& arg : args) argv.push_back((char*)arg.c_str());
    argv.push_back(nullptr);
    int terminal = -1;
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(VELMO_RENDER_PATH, argv.data());
        _exit(127);
    }
    std::string shown;
    char buffer[4096];
    ssize_t n;
    // Reading ends with an error once the program has exited and closed the terminal.
    while ((n = read(terminal, buffer, sizeof buffer)) > 0) shown.append(buffer, (size_t)n);
    close(terminal);
    waitpid(pid, nullptr, 0);
    return shown;
}

ScratchDir::ScratchDir() {
    char name[] = "/tmp/velmo-render-test-XXXXXX";
    path = mkdtemp(name) ? name : "";
    EXPECT_FALSE(path.empty());
}

ScratchDir::~ScratchDir() {
    for (const std::string& name : names()) remove((*this / name).c_str());
    rmdir(path.c_str());
}

std::vector<std::string> ScratchDir::names() const {
    std::vector<std::string> result;
    DIR* dir = opendir(path.c_str());
    if (!dir) return result;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") result.push_back(name);
    }
    closedir(dir);
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<float> Audio::channel(int c) const {
    std::vector<float> result(frames());
    for (size_t i = 0; i < result.size(); i++) result[i] = samples[i * (size_t)channels + (size_t)c];
    return result;
}

void write_audio(const std::string& path, const Audio& audio, int format) {
    SF_INFO info = {};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = format ? format : SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    sf_count_t frames = (sf_count_t)audio.frames();
    EXPECT_EQ(sf_writef_float(file, audio.samples.data(), frames), frames);
    sf_close(file);
}

Audio read_audio(const std::string& path) {
    Audio audio;
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (!file) return audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.resize((size_t)info.frames * (size_t)info.channels);
    EXPECT_EQ(sf_readf_float(file, audio.samples.data(), info.frames), info.frames);
    sf_close(file);
    return audio;
}

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<float> test_signal(size_t n, uint32_t seed) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; i++) {
        v[i] = 0.25f * noise_signed(&seed) + 0.25f * (float)sin(0.05 * (double)i);
    }
    return v;
}

Audio mono(std::vector<float> samples, int rate) {
    Audio audio;
    audio.rate = rate;
    audio.samples = std::move(samples);
    return audio;
}
