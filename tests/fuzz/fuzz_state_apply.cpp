// state_blob_read over any bytes: either the result is 0 and the three values are the blob's
// own and never NaN, or the result is -1 and the values are untouched.
#include <cmath>
#include <cstring>

#include "blob_values.h"
#include "fuzz_check.h"
#include "plugin/state_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const float untouched = -12345.0f;
    float values[3] = {untouched, untouched, untouched};
    int result = state_blob_read(data, size, values);
    if (result != 0) {
        FUZZ_CHECK(result == -1);
        for (float value : values) FUZZ_CHECK(value == untouched);
        return 0;
    }
    float stored[3];  // read independently of state_blob_read
    FUZZ_CHECK(blob_values(data, size, stored));
    for (int i = 0; i < 3; i++) {
        FUZZ_CHECK(!std::isnan(values[i]));
        FUZZ_CHECK(memcmp(&stored[i], &values[i], 4) == 0);
    }
    return 0;
}
