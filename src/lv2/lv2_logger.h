// Error messages through the host's log feature, or to stderr when the host offers none.
// Used only outside the audio thread (instantiate and the state interface).
#pragma once
#include "lv2/log/log.h"
#include "lv2/urid/urid.h"

struct Lv2Logger {
    const LV2_Log_Log* log;  // null: messages go to stderr
    LV2_URID error, note, trace, warning;  // 0 without a URID map
};

// Maps the four levels (Error, Note, Trace, Warning in that order) when `map` is given.
void lv2_logger_init(Lv2Logger* logger, const LV2_Log_Log* log, const LV2_URID_Map* map);

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void lv2_log_error(const Lv2Logger* logger, const char* format, ...);
