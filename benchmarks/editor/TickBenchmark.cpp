// The cost of one TimerForPosition tick when the pointer has not moved:
// with the capture off (the common case) and with the capture on and the
// editor open. The tick runs 100 times a second for the program's life.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include "editor/ActionEditor.h"
#include "editor/CursorTracker.h"

namespace {

class StillHost : public tess::EditorHost {
public:
    int LineCount() const override { return 0; }
    int CaretLine() const override { return 0; }
    QString Line(int) const override { return {}; }
    void InsertLine(int, const QString&) override {}
    void AppendLine(const QString&) override {}
    void ReplaceLine(int, const QString&) override {}
    void SetLineSelected(int, bool) override {}
    void MarkModified() override {}
    void ShowMainWindow() override {}
    QWidget* MainWindowWidget() override { return nullptr; }
    void SetCursorPanelText(const QString& text) override { panel = text; }
    QString panel;
};

class StillSink : public tess::InputSink {
public:
    void SetCursorPos(int32_t, int32_t) override {}
    tess::ScreenPoint GetCursorPos() override { return {640, 480}; }
    void mouse_event(uint32_t, int32_t, int32_t, uint32_t, uintptr_t) override {}
    void keybd_event(uint8_t, uint8_t, uint32_t, uintptr_t) override {}
    int16_t VkKeyScanA(char32_t) override { return -1; }
    void ShellExecuteA(const void*, const std::string&, const std::string&, const std::string&,
                       const std::string&, int) override {}
    void SendUnicodeChar(char32_t) override {}
};

void RunTicks(benchmark::State& state, bool capturing) {
    StillHost host;
    StillSink sink;
    tess::ActionEditor editor(host);
    tess::CursorTracker tracker(host, sink, editor);
    tracker.TimerForPosition().stop();
    if (capturing) {
        editor.ShowEditor();
        tess::ActionEditor::SetCommandText(editor.ComboBox1(), QStringLiteral("CurPos "));
        editor.FormActivate();
        editor.AutoParameterCheck1()->setChecked(true);
        QCoreApplication::processEvents();
    }
    tracker.TimerForPositionTimer();  // the first tick writes the panel
    for (auto _ : state)
        tracker.TimerForPositionTimer();
    benchmark::DoNotOptimize(host.panel);
}

void BM_TickUnchangedPosition(benchmark::State& state) { RunTicks(state, false); }
void BM_TickUnchangedPositionCapturing(benchmark::State& state) { RunTicks(state, true); }
BENCHMARK(BM_TickUnchangedPosition);
BENCHMARK(BM_TickUnchangedPositionCapturing);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
