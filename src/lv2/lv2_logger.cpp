#include "lv2/lv2_logger.h"

#include <cstdarg>
#include <cstdio>

void lv2_logger_init(Lv2Logger* logger, const LV2_Log_Log* log, const LV2_URID_Map* map) {
    logger->log = log;
    logger->error = map ? map->map(map->handle, LV2_LOG__Error) : 0;
    logger->note = map ? map->map(map->handle, LV2_LOG__Note) : 0;
    logger->trace = map ? map->map(map->handle, LV2_LOG__Trace) : 0;
    logger->warning = map ? map->map(map->handle, LV2_LOG__Warning) : 0;
}

void lv2_log_error(const Lv2Logger* logger, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (logger->log)
        logger->log->vprintf(logger->log->handle, logger->error, format, args);
    else
        vfprintf(stderr, format, args);
    va_end(args);
}
