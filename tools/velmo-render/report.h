// One-line messages on standard error, each prefixed with the program's name.
#pragma once

void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
