// Action lines against the recording sink: any line, performed on its own or
// played by the engine, either acts or fails with a line failure; playback
// always stops, and after a stop no key or button that playback pressed is
// still down.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "platform/recording/RecordingSink.h"
#include "playback/ActionExecution.h"
#include "playback/HeldInput.h"
#include "playback/MemoryHost.h"
#include "playback/PlaybackEngine.h"
#include "script/LineFailure.h"
#include "script/RangeValue.h"

namespace {

using namespace tess;

constexpr size_t kMaxLines = 64;
constexpr int kMaxTicks = 2000;
constexpr size_t kMaxEvents = 200000;

// Which keys and buttons the events seen so far leave down.
struct PressedState {
    bool keys[256] = {};
    bool left = false, right = false;
    size_t events = 0;

    // Takes in the sink's calls and empties it, so long runs stay small.
    void Take(RecordingSink& sink) {
        for (const SinkCall& call : sink.calls) {
            ++events;
            if (call.kind == SinkCall::Kind::KeybdEvent) {
                keys[call.vk] = (call.flags & KEYEVENTF_KEYUP) == 0;
            } else if (call.kind == SinkCall::Kind::MouseEvent) {
                const uint32_t button = call.flags & ~MOUSEEVENTF_ABSOLUTE;
                if (button == MOUSEEVENTF_LEFTDOWN) left = true;
                if (button == MOUSEEVENTF_LEFTUP) left = false;
                if (button == MOUSEEVENTF_RIGHTDOWN) right = true;
                if (button == MOUSEEVENTF_RIGHTUP) right = false;
            }
        }
        sink.calls.clear();
    }
    bool AllUp() const {
        for (bool k : keys)
            if (k) return false;
        return !left && !right;
    }
};

struct CountingControl : EngineControl {
    void StopLine() override {}
    void CycleLine(std::string_view) override {}
    void CycleEndLine() override {}
    void IntervalLine(uint32_t ms) override { lastInterval = ms; }
    uint32_t lastInterval = 0;
};

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= bytes.size() && lines.size() < kMaxLines) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Every line performed directly, with the action context the engine uses.
void PerformEachLine(const std::vector<std::string>& lines) {
    RecordingSink sink;
    HeldInput held;
    RangeGenerator random([] { return 4242u; });
    CountingControl control;
    ActionContext context{sink, held, random, control, nullptr};
    PressedState state;
    for (const std::string& line : lines) {
        try {
            PerformActionLine(line, context);
        } catch (const LineFailure&) {
        }
        state.Take(sink);
    }
    held.ReleaseAll(sink);
    state.Take(sink);
    FUZZ_CHECK(held.Empty());
    FUZZ_CHECK(state.AllUp());
}

// The lines as a scenario, played by the engine for a bounded number of
// ticks with the options the first byte picks.
void PlayScenario(uint8_t options, const std::vector<std::string>& lines) {
    RecordingSink sink;
    RangeGenerator random([] { return 977u; });
    MemoryHost host(lines);
    host.repeat = options & 1;
    host.stepOverErrors = (options & 2) == 0;
    PlaybackEngine engine(host, sink, random);
    host.onClickStop = [&engine] { engine.Stop1Click(); };
    if (host.LineCount() > 0) host.SetCaretLine((options >> 2) % host.LineCount());

    PressedState state;
    engine.Play1Click();
    for (int tick = 0; tick < kMaxTicks && host.TimerTicks() && state.events < kMaxEvents;
         ++tick) {
        engine.Timer1Timer();
        state.Take(sink);
        FUZZ_CHECK(engine.CurrentLine() >= 0);
        FUZZ_CHECK(engine.CurrentLine() <= host.LineCount() + 1);
        FUZZ_CHECK(host.TimerInterval() > 0);
        if (host.LineCount() > 0) FUZZ_CHECK(host.CaretLine() < host.LineCount());
    }
    engine.Stop1Click();
    state.Take(sink);
    FUZZ_CHECK(!host.TimerEnabled());
    FUZZ_CHECK(!engine.HoldsInput());
    FUZZ_CHECK(state.AllUp());
    FUZZ_CHECK(engine.CurrentLine() == 0 || host.LineCount() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> lines = SplitLines(bytes);
    PerformEachLine(lines);
    PlayScenario(data[0], lines);
    return 0;
}
