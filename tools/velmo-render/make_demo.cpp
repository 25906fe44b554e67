// velmo-make-demo OUT: writes the demo input, eight seconds of a generated drum-and-bass
// phrase (kick, snare, hats, a sub bass, a saw chord pad and a quiet noise bed that shows the
// filter's band on a spectrogram) as a mono 48 kHz float WAV.
// Everything is synthesised here; the noise is a fixed generator, so the file is always the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sndfile.h>
#include <vector>

static const int RATE = 48000;
static const double SECONDS = 8.0;
static const double BPM = 174.0;
static const double PI = 3.14159265358979323846;

static uint32_t noise_state = 22222u;
static double noise() {
    noise_state = noise_state * 1664525u + 1013904223u;
    return (double)(noise_state >> 8) / 8388608.0 - 1.0;
}

// A sine whose pitch falls from 160 Hz towards 45 Hz, with a short decay.
static double kick(double t) {
    double phase = 2.0 * PI * (45.0 * t + (160.0 - 45.0) * 0.03 * (1.0 - exp(-t / 0.03)));
    return sin(phase) * exp(-t / 0.18);
}

static double snare(double t) { return (0.7 * noise() + 0.4 * sin(2.0 * PI * 190.0 * t)) * exp(-t / 0.09); }

static double hat(double t) { return noise() * exp(-t / 0.02); }

static double saw(double phase) { return 2.0 * (phase - floor(phase)) - 1.0; }

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: velmo-make-demo OUT.wav\n", stderr);
        return 2;
    }
    // Am, F, C, G: one chord per bar, roots as MIDI notes, pad as three chord tones.
    static const int roots[4] = {45, 41, 48, 43};
    static const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};
    // Two-step pattern over 16 sixteenths: kick on 1 and the "and" of 3, snare on 2 and 4.
    static const bool kicks[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    static const bool snares[16] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};

    const double step = 60.0 / BPM / 4.0;
    const size_t frames = (size_t)(SECONDS * RATE);
    std::vector<float> samples(frames);
    for (size_t i = 0; i < frames; i++) {
        double t = (double)i / RATE;
        long step_index = (long)(t / step);
        double in_step = t - (double)step_index * step;
        int bar_step = (int)(step_index % 16);
        int chord = (int)((step_index / 16) % 4);
        double x = 0.0;
        if (kicks[bar_step]) x += 0.9 * kick(in_step);
        if (snares[bar_step]) x += 0.5 * snare(in_step);
        if (bar_step % 2 == 1) x += 0.15 * hat(in_step);
        double bass_hz = 440.0 * pow(2.0, (roots[chord] - 12 - 69) / 12.0);
        x += 0.35 * sin(2.0 * PI * bass_hz * t);
        for (int note : chords[chord]) x += 0.06 * saw(440.0 * pow(2.0, (note - 69) / 12.0) * t);
        x += 0.08 * noise();
        samples[i] = (float)(0.6 * x);
    }

    SF_INFO info = {};
    info.samplerate = RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        fprintf(stderr, "velmo-make-demo: %s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    bool written = sf_writef_float(file, samples.data(), (sf_count_t)frames) == (sf_count_t)frames;
    if (sf_close(file) != 0 || !written) {
        fprintf(stderr, "velmo-make-demo: %s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}
