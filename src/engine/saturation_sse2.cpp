#include "engine/saturation_sse2.h"

static constexpr FloatLanes splat(float x) { return FloatLanes{{x, x, x, x}}; }

const SaturationConstants SAT = {
    splat(38.46154f), splat(159.69313f), splat(0.026f), splat(4.0209527f),
    splat(1e9f), splat(8.0f), splat(-3.34145951f),
    splat(-0.00131429313f), splat(0.0477593131f), splat(0.36319527f), splat(0.631318331f),
    splat(0.693147182f), splat(1.44269502f), splat(0.164042562f), splat(1.09886527f), splat(3.14829803f),
    splat(129.21347f),
    splat(-126.0f), splat(128.0f), splat(0.0794415399f), splat(0.227411285f), splat(0.693147182f), splat(1.0f),
};
