// How long one action line takes to perform into the recording sink, and
// one engine tick on the in-memory host.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/recording/RecordingSink.h"
#include "playback/ActionExecution.h"
#include "playback/MemoryHost.h"
#include "playback/PlaybackEngine.h"

namespace tess {
namespace {

struct NoEngine : EngineControl {
    void StopLine() override {}
    void CycleLine(std::string_view) override {}
    void CycleEndLine() override {}
    void IntervalLine(uint32_t) override {}
};

const std::vector<std::string>& Mix() {
    static const std::vector<std::string> lines = {
        "CurPos 118,141", "Click ", "CurPos [750..769],[181..172]", "KeyPress #13", "KeyPress a",
        "Write Hello!",   "",       "Interval 1000",                "MouseLDown ",  "MouseLUp ",
        "Load link.htm",  "ClickRight ",
    };
    return lines;
}

void PerformLine(benchmark::State& state, const std::vector<std::string>& lines) {
    RecordingSink sink;
    HeldInput held;
    RangeGenerator random([] { return 1000u; });
    NoEngine engine;
    ActionContext context{sink, held, random, engine, nullptr};
    sink.calls.reserve(8192);
    std::size_t i = 0;
    for (auto _ : state) {
        PerformActionLine(lines[i], context);
        if (++i == lines.size()) i = 0;
        if (sink.calls.size() > 4096) sink.calls.clear();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PerformActionLine_Mix(benchmark::State& state) { PerformLine(state, Mix()); }
void BM_PerformActionLine_CurPos(benchmark::State& state) { PerformLine(state, {"CurPos 118,141"}); }
void BM_PerformActionLine_Range(benchmark::State& state) {
    PerformLine(state, {"CurPos [750..769],[181..172]"});
}
void BM_PerformActionLine_Write(benchmark::State& state) { PerformLine(state, {"Write Hello!"}); }

void BM_EngineTick(benchmark::State& state) {
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) lines.insert(lines.end(), Mix().begin(), Mix().end());
    MemoryHost host(lines);
    RecordingSink sink;
    RangeGenerator random([] { return 1000u; });
    PlaybackEngine engine(host, sink, random);
    host.onClickStop = [&] { engine.Stop1Click(); };
    host.repeat = true;
    engine.Play1Click();
    sink.calls.reserve(8192);
    for (auto _ : state) {
        engine.Timer1Timer();
        if (sink.calls.size() > 4096) sink.calls.clear();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PerformActionLine_Mix);
BENCHMARK(BM_PerformActionLine_CurPos);
BENCHMARK(BM_PerformActionLine_Range);
BENCHMARK(BM_PerformActionLine_Write);
BENCHMARK(BM_EngineTick);

}  // namespace
}  // namespace tess
