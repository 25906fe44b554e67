#include "lv2_host.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#define dup _dup
#define dup2 _dup2
#define fileno _fileno
#define getpid _getpid
static void close_fd(int fd) { _close(fd); }
#else
#include <dlfcn.h>
#include <unistd.h>
static void close_fd(int fd) { close(fd); }
#endif

std::string native_path(const char* path) {
    std::string native = path;
#ifdef _WIN32
    if (!native.empty() && native[0] == '/') native = "Z:" + native;
    for (char& c : native)
        if (c == '/') c = '\\';
#endif
    return native;
}

bool Lv2Library::open(const char* path) {
    close();
#ifdef _WIN32
    module = (void*)LoadLibraryA(native_path(path).c_str());
#else
    module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    if (!module) return false;
    lv2_descriptor = (LV2_Descriptor_Function)symbol("lv2_descriptor");
    return lv2_descriptor != nullptr;
}

void* Lv2Library::symbol(const char* name) const {
    if (!module) return nullptr;
#ifdef _WIN32
    return (void*)GetProcAddress((HMODULE)module, name);
#else
    return dlsym(module, name);
#endif
}

void Lv2Library::close() {
    if (!module) return;
#ifdef _WIN32
    FreeLibrary((HMODULE)module);
#else
    dlclose(module);
#endif
    module = nullptr;
    lv2_descriptor = nullptr;
}

static LV2_URID map_callback(LV2_URID_Map_Handle handle, const char* uri) {
    return ((UridMap*)handle)->map(uri);
}

UridMap::UridMap() { feature = {this, map_callback}; }

LV2_URID UridMap::map(const char* uri) {
    std::lock_guard<std::mutex> guard(mutex);
    for (size_t i = 0; i < uris.size(); i++)
        if (uris[i] == uri) return (LV2_URID)(i + 1);
    uris.push_back(uri);
    return (LV2_URID)uris.size();
}

std::string UridMap::unmap(LV2_URID urid) {
    std::lock_guard<std::mutex> guard(mutex);
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1] : std::string();
}

static int log_vprintf(LV2_Log_Handle handle, LV2_URID level, const char* format, va_list args) {
    LogRecorder* recorder = (LogRecorder*)handle;
    char text[1024];
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(text, sizeof text, format, copy);
    va_end(copy);
    std::lock_guard<std::mutex> guard(recorder->mutex);
    recorder->messages.push_back({level, text});
    return length;
}

static int log_printf(LV2_Log_Handle handle, LV2_URID level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = log_vprintf(handle, level, format, args);
    va_end(args);
    return length;
}

LogRecorder::LogRecorder() { feature = {this, log_printf, log_vprintf}; }

std::vector<LogRecorder::Message> LogRecorder::take() {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<Message> taken;
    taken.swap(messages);
    return taken;
}

LV2_State_Status StateStore::store(LV2_State_Handle handle, uint32_t key, const void* value,
                                   size_t size, uint32_t type, uint32_t flags) {
    StateStore* self = (StateStore*)handle;
    self->store_calls++;
    self->property.present = true;
    self->property.key = key;
    self->property.value.assign((const uint8_t*)value, (const uint8_t*)value + size);
    self->property.type = type;
    self->property.flags = flags;
    return self->store_result;
}

const void* StateStore::retrieve(LV2_State_Handle handle, uint32_t key, size_t* size,
                                 uint32_t* type, uint32_t* flags) {
    StateStore* self = (StateStore*)handle;
    self->retrieve_calls++;
    if (self->retrieve_nothing || !self->property.present || key != self->property.key)
        return nullptr;
    *size = self->property.value.size();
    *type = self->property.type;
    *flags = self->property.flags;
    // A zero-length property still needs a non-null pointer.
    static const uint8_t empty = 0;
    return self->property.value.empty() ? &empty : self->property.value.data();
}

FeatureList::FeatureList(UridMap* map, LogRecorder* log) {
    size_t n = 0;
    if (log) {
        log_feature = {LV2_LOG__log, &log->feature};
        list[n++] = &log_feature;
    }
    if (map) {
        map_feature = {LV2_URID__map, &map->feature};
        list[n++] = &map_feature;
    }
    list[n] = nullptr;
}

void StderrCapture::begin() {
    path = "stderr-capture-" + std::to_string(getpid()) + ".txt";
    fflush(stderr);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    saved_fd = dup(fileno(stderr));
    dup2(fileno(file), fileno(stderr));
    fclose(file);
}

std::string StderrCapture::end() {
    if (saved_fd < 0) return "<stderr capture failed>";
    fflush(stderr);
    dup2(saved_fd, fileno(stderr));
    close_fd(saved_fd);
    saved_fd = -1;
    std::string text;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char buffer[512];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
        fclose(file);
    }
    remove(path.c_str());
    return text;
}
