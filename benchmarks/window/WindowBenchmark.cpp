// The main window under load, on the offscreen platform: playback pace at
// 'Interval 1', and a 1,000,000-line scenario loaded, saved and thinned by
// Delete action with every second line selected. Peak memory is reported as
// the counter max_rss_mb.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>

#include "app/FileCommands.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/ScenarioList.h"
#include "platform/recording/RecordingSink.h"
#include "playback/PlaybackEngine.h"

using namespace tess;

namespace {

constexpr int kBigScenario = 1'000'000;

class FixedDialogs : public FileDialogs {
public:
    QString SaveFileName(QWidget*, const QString&) override { return path; }
    QString OpenFileName(QWidget*, const QString&) override { return path; }
    QString path;
};

double MaxRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<std::string> BigScenario() {
    std::vector<std::string> lines;
    lines.reserve(kBigScenario);
    for (int i = 0; i < kBigScenario; ++i)
        lines.push_back("CurPos " + std::to_string(i % 1000) + "," + std::to_string(i % 700));
    return lines;
}

struct Window {
    Window() : window(sink, {}, &dialogs) {
        window.show();
        QApplication::processEvents();
    }
    RecordingSink sink;
    FixedDialogs dialogs;
    MainWindow window;
};

// One iteration: one second of playback at 'Interval 1', every tick
// performing one line of a long scenario.
void BM_LinesPerSecondAtInterval1(benchmark::State& state) {
    Window w;
    std::vector<std::string> lines;
    for (int i = 0; i < 100'000; ++i) lines.push_back("CurPos " + std::to_string(i % 500) + ",7");
    w.window.ListBox1->Model().SetLines(std::move(lines));
    w.window.ListBox1->SetCaretLine(0);
    w.window.SetTimerInterval(1);
    w.window.Actions().Play1->trigger();
    size_t performed = 0;
    for (auto _ : state) {
        w.sink.calls.clear();
        RunEventLoopFor(1000);
        performed += w.sink.calls.size();
    }
    w.window.Actions().Stop1->trigger();
    state.counters["lines_per_s"] =
        benchmark::Counter(double(performed), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LinesPerSecondAtInterval1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Load1M(benchmark::State& state) {
    QTemporaryDir dir;
    Window w;
    w.dialogs.path = dir.filePath("big.sf");
    QString error;
    WriteScenarioLines(w.dialogs.path, BigScenario(), error);
    for (auto _ : state) {
        w.window.Actions().Loadfromfile1->trigger();
        QApplication::processEvents();  // layout and paint of the new list
    }
    state.counters["lines"] = double(w.window.LineCount());
    state.counters["max_rss_mb"] = MaxRssMb();
}
BENCHMARK(BM_Load1M)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Save1M(benchmark::State& state) {
    QTemporaryDir dir;
    Window w;
    w.window.ListBox1->Model().SetLines(BigScenario());
    w.dialogs.path = dir.filePath("big.sf");
    for (auto _ : state) {
        w.window.MarkModified();
        w.window.Actions().Savetofile1->trigger();
    }
    state.counters["max_rss_mb"] = MaxRssMb();
}
BENCHMARK(BM_Save1M)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// Delete action with every second line selected (the confirmation box left
// out: it waits for a person).
void BM_DeleteEverySecondLine1M(benchmark::State& state) {
    Window w;
    std::vector<int> every;
    for (int i = 0; i < kBigScenario; i += 2) every.push_back(i);
    for (auto _ : state) {
        state.PauseTiming();
        w.window.ListBox1->Model().SetLines(BigScenario());
        w.window.ListBox1->SelectLines(every);
        QApplication::processEvents();
        state.ResumeTiming();
        w.window.ListBox1->DeleteSelected();
        w.window.MarkModified();
        QApplication::processEvents();
    }
    state.counters["lines_left"] = double(w.window.LineCount());
    state.counters["max_rss_mb"] = MaxRssMb();
}
BENCHMARK(BM_DeleteEverySecondLine1M)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// Selecting every second line, for comparison (a benchmark helper's step).
void BM_SelectEverySecondLine1M(benchmark::State& state) {
    Window w;
    w.window.ListBox1->Model().SetLines(BigScenario());
    std::vector<int> every;
    for (int i = 0; i < kBigScenario; i += 2) every.push_back(i);
    for (auto _ : state) {
        w.window.ListBox1->SelectLines(every);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SelectEverySecondLine1M)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
