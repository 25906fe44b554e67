#include "state/tar.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "state/state_alloc.h"

enum : size_t {
    TAR_BLOCK = 512,
    TAR_NAME_WIDTH = 100,
    TAR_SIZE_OFFSET = 124,
    TAR_SIZE_DIGITS = 11,
    TAR_CHKSUM_OFFSET = 148,
    TAR_CHKSUM_WIDTH = 8,
};

static const uint64_t TAR_SIZE_LIMIT = 1ull << 31;         // largest member the reader takes
static const uint64_t TAR_SIZE_FIELD_LIMIT = 1ull << 33;   // 11 octal digits

static size_t round_up_to_block(uint64_t size) {
    return (size_t)((size + TAR_BLOCK - 1) / TAR_BLOCK * TAR_BLOCK);
}

static void put_text(uint8_t* header, size_t offset, const char* text) {
    memcpy(header + offset, text, strlen(text) + 1);
}

// Sum of the header read as signed bytes, kept in 18 bits; with 7-bit headers this is the
// usual ustar checksum.
static unsigned long long header_checksum(const uint8_t* header) {
    int64_t sum = 0;
    for (size_t i = 0; i < TAR_BLOCK; i++) sum += (int8_t)header[i];
    return (unsigned long long)(sum & 0x3FFFF);
}

static void write_header(uint8_t* header, const uint8_t* key, uint64_t key_length,
                         uint64_t value_length) {
    memcpy(header, key, (size_t)key_length);
    put_text(header, 100, "0000644");
    put_text(header, 108, "0000000");
    put_text(header, 116, "0000000");
    snprintf((char*)header + TAR_SIZE_OFFSET, 12, "%011zo", (size_t)value_length);
    put_text(header, 136, "00000000000");
    memset(header + TAR_CHKSUM_OFFSET, ' ', TAR_CHKSUM_WIDTH);
    header[156] = '0';
    put_text(header, 257, "ustar");
    memcpy(header + 263, "00", 2);
    // Five digits (six from 32768 on) and a NUL; byte 154 is NUL, byte 155 stays a space.
    snprintf((char*)header + TAR_CHKSUM_OFFSET, 8, "%05llo", header_checksum(header));
    header[154] = 0;
}

struct TarOutput {
    uint8_t* bytes;
    size_t length;
};

// Grows the output by `size` zeroed bytes; null (output untouched) when memory is exhausted.
static uint8_t* grow_output(TarOutput* out, size_t size) {
    uint8_t* bytes = (uint8_t*)state_realloc(out->bytes, out->length + size);
    if (!bytes) return nullptr;
    out->bytes = bytes;
    uint8_t* added = bytes + out->length;
    memset(added, 0, size);
    out->length += size;
    return added;
}

static int append_member(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                         uint64_t value_length, void* context) {
    // A name starting with NUL would read back as the end of the archive.
    if (key_length == 0 || key[0] == 0 || key_length >= TAR_NAME_WIDTH) return -1;
    if (value_length >= TAR_SIZE_FIELD_LIMIT) return -1;
    uint8_t* header = grow_output((TarOutput*)context, TAR_BLOCK + round_up_to_block(value_length));
    if (!header) return -1;
    write_header(header, key, key_length, value_length);
    if (value_length) memcpy(header + TAR_BLOCK, value, (size_t)value_length);
    return 0;
}

uint8_t* tar_build(const EntryMap* map, size_t* out_length) {
    TarOutput out = {nullptr, 0};
    if (entry_map_for_each(map, append_member, &out) != 0 || !grow_output(&out, 2 * TAR_BLOCK)) {
        state_free(out.bytes);
        return nullptr;
    }
    *out_length = out.length;
    return out.bytes;
}

// The size field: eleven octal digits and a NUL. -1 when it has any other form.
static int64_t parse_size_field(const uint8_t* header) {
    const uint8_t* field = header + TAR_SIZE_OFFSET;
    if (field[TAR_SIZE_DIGITS] != 0) return -1;
    uint64_t size = 0;
    for (size_t i = 0; i < TAR_SIZE_DIGITS; i++) {
        if (field[i] < '0' || field[i] > '7') return -1;
        size = size * 8 + (uint64_t)(field[i] - '0');
    }
    return size < TAR_SIZE_LIMIT ? (int64_t)size : -1;
}

EntryMap* tar_parse(const uint8_t* buffer, size_t length) {
    EntryMap* map = entry_map_new();
    if (!map) return entry_map_fail(nullptr, ENOMEM);
    size_t offset = 0;
    while (offset < length) {
        const uint8_t* header = buffer + offset;
        if (header[0] == 0) break;  // end blocks (even cut short); whatever follows is ignored
        if (length - offset < TAR_BLOCK) return entry_map_fail(map, EINVAL);
        int64_t size = parse_size_field(header);
        if (size < 0 || (uint64_t)size > length - offset - TAR_BLOCK)
            return entry_map_fail(map, EINVAL);
        const void* name_end = memchr(header, 0, TAR_NAME_WIDTH);
        size_t name_length = name_end ? (size_t)((const uint8_t*)name_end - header) : TAR_NAME_WIDTH;
        if (entry_map_insert(map, header, name_length, header + TAR_BLOCK, (uint64_t)size) != 0)
            return entry_map_fail(map, ENOMEM);
        offset += TAR_BLOCK + round_up_to_block((uint64_t)size);
    }
    return map;
}
