#include "script/RangeValue.h"

#include <chrono>

#include "script/ActionLine.h"

namespace tess {

uint32_t SystemClockMsSinceMidnightUtc() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    constexpr int64_t kDay = 24LL * 60 * 60 * 1000;
    return static_cast<uint32_t>(((ms % kDay) + kDay) % kDay);
}

RangeGenerator::RangeGenerator(Clock clock) : clock_(std::move(clock)) {}

int32_t RangeGenerator::Draw(int32_t lower, int32_t upper) {
    // Seeded once, from the clock, when the first value is drawn; every
    // later draw advances the same state, so draws within one millisecond
    // (such as the two coordinates of one line) differ.
    if (!seeded_) {
        state_ = clock_ ? clock_() : 0;
        seeded_ = true;
    }
    if (upper < lower) std::swap(lower, upper);
    state_ = state_ * 134775813u + 1u;
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(upper) - lower);
    const uint64_t offset = (span * state_) >> 32;
    return static_cast<int32_t>(lower + static_cast<int64_t>(offset));
}

RangeGenerator& DefaultRangeGenerator() {
    static RangeGenerator generator;
    return generator;
}

namespace {

// The digit buffer of the bound reader, kept as a running value so that a
// "]" reading it again costs nothing however long the run of digits is.
struct DigitBuffer {
    bool empty = true;
    uint64_t value = 0;  // saturates just above the largest bound

    void Add(char digit) {
        empty = false;
        if (value <= static_cast<uint64_t>(kMaxFieldValue)) value = value * 10 + (digit - '0');
    }
    int32_t Read() const {
        if (empty) throw LineFailure("range bound missing");
        if (value > static_cast<uint64_t>(kMaxFieldValue)) throw LineFailure("range bound above 2147483647");
        return static_cast<int32_t>(value);
    }
    void Clear() { *this = DigitBuffer{}; }
};

}  // namespace

int32_t ParseRangeValue(std::string_view fieldText, RangeGenerator& random) {
    DigitBuffer buffer;
    bool haveLower = false, haveUpper = false;
    int32_t lower = 0, upper = 0;
    for (std::size_t i = 1; i < fieldText.size(); ++i) {
        const char c = fieldText[i];
        if (c >= '0' && c <= '9') {
            buffer.Add(c);
        } else if (c == '.' && fieldText[i - 1] == '.') {
            lower = buffer.Read();
            haveLower = true;
            buffer.Clear();
        } else if (c == ']') {
            upper = buffer.Read();
            haveUpper = true;
        }
    }
    // A bound that was never read ('[5]', '[5..9') has no value to draw from.
    if (!haveLower) throw LineFailure("range without \"..\"");
    if (!haveUpper) throw LineFailure("range without \"]\"");
    return random.Draw(lower, upper);
}

}  // namespace tess
