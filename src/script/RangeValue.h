#pragma once
// Range values "[lower..upper]": a fresh value drawn each time a line runs.
#include <cstdint>
#include <functional>
#include <string_view>

namespace tess {

// Milliseconds since midnight UTC of the system clock.
uint32_t SystemClockMsSinceMidnightUtc();

// The program's one source of random numbers: a 32-bit linear congruential
// generator seeded from the clock at the first draw.
class RangeGenerator {
public:
    using Clock = std::function<uint32_t()>;
    explicit RangeGenerator(Clock clock = SystemClockMsSinceMidnightUtc);
    // A value from lower to upper - 1 (lower when both are equal); bounds
    // are swapped when upper < lower.
    int32_t Draw(int32_t lower, int32_t upper);

private:
    Clock clock_;
    bool seeded_ = false;
    uint32_t state_ = 0;
};

// The program's generator, reading the system clock.
RangeGenerator& DefaultRangeGenerator();

// Reads the bounds from a field text that begins with "[" and draws a value;
// throws LineFailure when the bounds cannot be read.
int32_t ParseRangeValue(std::string_view fieldText, RangeGenerator& random);

}  // namespace tess
