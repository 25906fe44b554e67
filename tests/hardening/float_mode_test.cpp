// The floating-point mode around the audio entry points of both formats. Inside LV2 Run and
// VST3 process, flush-to-zero and denormals-are-zero must be in force: the audio thread is
// interrupted by a signal thousands of times while it processes, and every interruption that
// lands in the plug-in's code reads the control register the kernel saved for it. On return,
// the caller's control bits must be back exactly, for every combination of the two bits.
#include <gtest/gtest.h>
#include <link.h>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>
#include <xmmintrin.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "both_formats.h"

static const unsigned FTZ = 0x8000u, DAZ = 0x40u;
static const unsigned CONTROL_BITS = 0xFFC0u;  // everything but the sticky exception flags

class FloatMode : public testing::TestWithParam<PluginFormat> {
  protected:
    std::unique_ptr<PluginDriver> plugin;
    void SetUp() override {
        plugin = make_driver(GetParam());
        ASSERT_TRUE(plugin) << format_name(GetParam());
    }
};

TEST_P(FloatMode, CallersControlBitsComeBackExactly) {
    std::vector<float> block(480);
    for (size_t i = 0; i < block.size(); i++) block[i] = 1e-39f * (float)(i % 7);  // denormals
    const unsigned saved = _mm_getcsr();
    const unsigned rounding_modes[] = {0x0000u, 0x6000u};  // to nearest, toward zero
    for (unsigned rounding : rounding_modes) {
        for (unsigned bits : {0u, FTZ, DAZ, FTZ | DAZ}) {
            for (uint32_t n : {480u, 0u}) {
                unsigned caller = (0x1F80u & ~0x6000u) | rounding | bits;
                _mm_setcsr(caller);
                plugin->process(block.data(), block.data(), n);
                unsigned after = _mm_getcsr();
                _mm_setcsr(saved);
                EXPECT_EQ(after & CONTROL_BITS, caller & CONTROL_BITS)
                    << std::hex << "caller " << caller << ", " << n << " samples";
            }
        }
    }
}

// Where the plug-in's code lies in memory: its executable segments.
struct CodeRange {
    const char* file_part;
    uintptr_t begin = 0, end = 0;
};

static int find_code(struct dl_phdr_info* info, size_t, void* data) {
    CodeRange* range = (CodeRange*)data;
    if (!info->dlpi_name || !strstr(info->dlpi_name, range->file_part)) return 0;
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD || !(ph.p_flags & PF_X)) continue;
        uintptr_t begin = info->dlpi_addr + ph.p_vaddr;
        if (!range->begin || begin < range->begin) range->begin = begin;
        if (begin + ph.p_memsz > range->end) range->end = begin + ph.p_memsz;
    }
    return 1;
}

static CodeRange code;
static std::atomic<int> samples_inside{0}, samples_with_both_bits{0};

static void sample_mode(int, siginfo_t*, void* context) {
    const ucontext_t* uc = (const ucontext_t*)context;
    uintptr_t pc = (uintptr_t)uc->uc_mcontext.gregs[REG_RIP];
    if (pc < code.begin || pc >= code.end || !uc->uc_mcontext.fpregs) return;
    samples_inside++;
    if ((uc->uc_mcontext.fpregs->mxcsr & (FTZ | DAZ)) == (FTZ | DAZ)) samples_with_both_bits++;
}

// Interrupts a thread running `work` (with both bits clear on entry) until 400 interruptions
// have landed inside `file_part`'s code; returns how many did and how many had both bits set.
template <typename Work>
static void sample_while(const char* file_part, Work work, int* inside, int* with_both_bits) {
    code = CodeRange{file_part};
    dl_iterate_phdr(find_code, &code);
    ASSERT_LT(code.begin, code.end) << "code of '" << file_part << "' not found";
    samples_inside = 0;
    samples_with_both_bits = 0;
    struct sigaction action = {}, previous = {};
    action.sa_sigaction = sample_mode;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    ASSERT_EQ(sigaction(SIGUSR2, &action, &previous), 0);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        _mm_setcsr(0x1F80u);
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (samples_inside < 400 && std::chrono::steady_clock::now() < end) work();
        done = true;
    });
    while (!done) {
        pthread_kill(worker.native_handle(), SIGUSR2);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    worker.join();
    sigaction(SIGUSR2, &previous, nullptr);
    *inside = samples_inside;
    *with_both_bits = samples_with_both_bits;
}

static volatile float spin_sink;
static void spin_in_test_code() {
    float x = 1.0f;
    for (int i = 0; i < 1000000; i++) x = x * 0.999f + 1e-3f;
    spin_sink = x;
}

TEST_P(FloatMode, FlushToZeroAndDenormalsAreZeroHoldInside) {
    int inside = 0, with_bits = 0;
    // The sampler itself: in our own code, with the bits clear, it must see them clear.
    sample_while("", spin_in_test_code, &inside, &with_bits);
    ASSERT_GE(inside, 100);
    EXPECT_EQ(with_bits, 0);

    std::vector<float> block(1 << 16);
    for (size_t i = 0; i < block.size(); i++) block[i] = 0.5f * std::sin(0.01f * (float)i);
    sample_while(GetParam() == FORMAT_LV2 ? "velmo.so" : "Velmo.so",
                 [&] { plugin->process(block.data(), block.data(), (uint32_t)block.size()); }, &inside,
                 &with_bits);
    printf("%s: %d interruptions inside the plug-in, %d with both bits set\n", format_name(GetParam()),
           inside, with_bits);
    ASSERT_GE(inside, 100);
    // The few instructions before the mode is set and after it is restored may be hit too.
    EXPECT_GE(with_bits, inside * 95 / 100);
}

INSTANTIATE_FOR_BOTH_FORMATS(FloatMode);
