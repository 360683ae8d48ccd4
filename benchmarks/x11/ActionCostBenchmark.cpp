// The cost of one action from the tick to the server: the sink's calls for
// the line, then the end-of-tick Flush (a round trip with XSync), on a
// private Xvfb, or on the display named by TESS_BENCH_DISPLAY (benchmarks/run
// passes the Xvfb it started for the whole run).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "XTestServer.h"
#include "platform/x11/X11Sink.h"

namespace {

using tess::x11::OpenX11Sink;
using tess::x11::X11Sink;
using tess::x11::testing::Xvfb;

struct Desktop {
    std::optional<Xvfb> server;
    std::unique_ptr<X11Sink> sink;
    Desktop() {
        std::string name;
        if (const char* given = std::getenv("TESS_BENCH_DISPLAY"); given && *given) {
            name = given;
        } else {
            server.emplace();
            name = server->name();
        }
        std::string error;
        if (!name.empty()) sink = OpenX11Sink(name.c_str(), error);
    }
};

Desktop& Shared() {
    static Desktop desktop;
    return desktop;
}

template <typename Action>
void RunAction(benchmark::State& state, Action action) {
    X11Sink* sink = Shared().sink.get();
    if (!sink) {
        state.SkipWithError("no Xvfb");
        return;
    }
    for (auto _ : state) {
        action(*sink);
        sink->Flush();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ClickLine(benchmark::State& state) {
    RunAction(state, [](X11Sink& s) {
        s.mouse_event(0x8002, 10, 10, 0, 0);
        s.mouse_event(0x8004, 10, 10, 0, 0);
    });
}

void BM_CurPosLine(benchmark::State& state) {
    int i = 0;
    RunAction(state, [&i](X11Sink& s) { s.SetCursorPos(100 + (i++ & 255), 200); });
}

void BM_KeyPressLine(benchmark::State& state) {
    RunAction(state, [](X11Sink& s) {
        s.keybd_event(13, 0, 0, 0);
        s.keybd_event(13, 0, 2, 0);
    });
}

void BM_WriteOneShiftedChar(benchmark::State& state) {
    RunAction(state, [](X11Sink& s) {
        const int16_t scan = s.VkKeyScanA(U'H');
        s.keybd_event(16, 0, 0, 0);
        s.keybd_event(static_cast<uint8_t>(scan), 0, 0, 0);
        s.keybd_event(static_cast<uint8_t>(scan), 0, 2, 0);
        s.keybd_event(16, 0, 2, 0);
    });
}

void BM_GetCursorPos(benchmark::State& state) {
    X11Sink* sink = Shared().sink.get();
    if (!sink) {
        state.SkipWithError("no Xvfb");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(sink->GetCursorPos());
}

BENCHMARK(BM_ClickLine);
BENCHMARK(BM_CurPosLine);
BENCHMARK(BM_KeyPressLine);
BENCHMARK(BM_WriteOneShiftedChar);
BENCHMARK(BM_GetCursorPos);

}  // namespace

BENCHMARK_MAIN();
