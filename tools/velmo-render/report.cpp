#include "report.h"

#include <cstdarg>
#include <cstdio>

void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fputs("velmo-render: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
}
