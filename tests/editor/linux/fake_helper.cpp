// A stand-in for velmo-editor that the editor host tests start in its place: it speaks the
// frames on descriptor 3 as VELMO_FAKE_HELPER says, and logs what it receives to
// VELMO_FAKE_HELPER_LOG (one line per frame: kind, a space, the text), and its arguments and a
// few environment variables to VELMO_FAKE_HELPER_ARGS.
//   talk        sends a scripted exchange, logs until the socket closes, then exits
//   torn        sends the page's "g" one byte at a time, then behaves like talk
//   bad-frame   sends a frame header announcing 2000 bytes
//   deaf        never reads and never ends by itself
//   ignore-eof  logs, and stays when the socket closes
//   exit        ends at once
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <initializer_list>

#include "editor_frame.h"

static const int fd = 3;

static void send_frame(char kind, const char* text) {
    uint8_t frame[FRAME_SIZE_MAX];
    size_t size = frame_encode(frame, kind, text, strlen(text));
    if (write(fd, frame, size) != (ssize_t)size) exit(3);
}

// Logs frames until the socket closes.
static void log_frames(void) {
    const char* path = getenv("VELMO_FAKE_HELPER_LOG");
    FILE* log = path ? fopen(path, "w") : nullptr;
    FrameReader reader = {};
    uint8_t bytes[256];
    ssize_t n;
    while ((n = read(fd, bytes, sizeof bytes)) > 0) {
        for (size_t used = 0; used < (size_t)n;) {
            used += frame_reader_feed(&reader, bytes + used, (size_t)n - used);
            char kind, text[FRAME_TEXT_MAX + 1];
            if (frame_reader_next(&reader, &kind, text) != FRAME_READY || !log) continue;
            fprintf(log, "%c %s\n", kind, text);
            fflush(log);
        }
    }
    if (log) fclose(log);
}

int main(int argc, char** argv) {
    const char* mode = getenv("VELMO_FAKE_HELPER");
    if (!mode || strcmp(mode, "exit") == 0) return 0;
    // The arguments it was started with come first in the log's companion file.
    const char* args_path = getenv("VELMO_FAKE_HELPER_ARGS");
    if (FILE* args = args_path ? fopen(args_path, "w") : nullptr) {
        for (int i = 1; i < argc; i++) fprintf(args, "%s\n", argv[i]);
        for (const char* name : {"LD_LIBRARY_PATH", "GTK_PATH", "VELMO_FAKE_HELPER"})
            fprintf(args, "%s=%s\n", name, getenv(name) ? getenv(name) : "(unset)");
        fclose(args);
    }
    if (strcmp(mode, "deaf") == 0) {
        for (;;) pause();
    }
    if (strcmp(mode, "bad-frame") == 0) {
        const uint8_t header[3] = {FRAME_PAGE, 2000 & 0xFF, 2000 >> 8};
        if (write(fd, header, 3) != 3) return 3;
        log_frames();
        return 0;
    }
    if (strcmp(mode, "torn") == 0) {
        uint8_t frame[FRAME_SIZE_MAX];
        size_t size = frame_encode(frame, FRAME_PAGE, "g", 1);
        for (size_t i = 0; i < size; i++) {
            if (write(fd, frame + i, 1) != 1) return 3;
            usleep(20000);
        }
    }
    if (strcmp(mode, "talk") == 0 || strcmp(mode, "torn") == 0) {
        if (strcmp(mode, "talk") == 0) send_frame(FRAME_PAGE, "g");
        send_frame(FRAME_PAGE, "b 0 40400000");      // 3.0
        send_frame(FRAME_PAGE, "s,0 40800000");      // any separator: 4.0
        send_frame(FRAME_PAGE, "s 9 40800000");      // index beyond the table: ignored
        send_frame(FRAME_PAGE, "x 0 40800000");      // unknown: ignored
        send_frame(FRAME_PAGE, "e 0 40a00000");      // 5.0
        send_frame(FRAME_SIZE, "640 480");
        log_frames();
        return 0;
    }
    if (strcmp(mode, "ignore-eof") == 0) {
        signal(SIGTERM, SIG_IGN);
        log_frames();
        for (;;) pause();
    }
    return 2;
}
