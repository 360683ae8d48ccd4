#include "playback/PlaybackEngine.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>

#include "playback/ActionExecution.h"
#include "script/ActionLine.h"

namespace tess {

namespace {

// A slice of a long Write: short enough that a stop pressed during it
// takes effect well within the 20 ms the user notices.
constexpr int64_t kSliceNs = 4'000'000;
constexpr int kMaxSliceChars = 4096;

int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

struct PlaybackEngine::Impl final : EngineControl {
    Impl(EngineHost& h, InputSink& s, RangeGenerator& r) : host(h), sink(s), random(r) {}

    EngineHost& host;
    InputSink& sink;
    RangeGenerator& random;
    PlaybackListener* listener = nullptr;
    const void* ownerWindow = nullptr;
    int32_t currentLine = 0;
    CycleState cycle;
    HeldInput held;
    TextTyping typing;
    bool continueAsked = false;
    int sliceChars = 16;
    std::function<int64_t()> clock = SteadyNow;
    LoadLimit loads;
    bool loadsDroppedTold = false;

    bool LoadAllowed() override {
        if (loads.Take(clock())) return true;
        if (!loadsDroppedTold) {
            loadsDroppedTold = true;
            host.ShowNotice("Load lines beyond " + std::to_string(LoadLimit::kPerSecond) +
                            " a second are dropped (line " + std::to_string(currentLine) + ")");
        }
        return false;
    }

    // Types one slice of the line under way and hands it to the system;
    // asks the host to come back for the rest. The desktop may take longer
    // to handle the characters than they take to send, so the slice is
    // measured with the handing over, and its number of characters follows
    // what the last slice cost.
    void TypeSlice() {
        const int64_t start = clock();
        const int64_t end = start + kSliceNs;
        int count = 0;
        typing.TypeSlice(sink, held, [&] { return ++count >= sliceChars || clock() >= end; });
        sink.Flush();
        const int64_t spent = clock() - start;
        if (spent > kSliceNs)
            sliceChars = std::max(1, sliceChars / 2);
        else if (spent < kSliceNs / 2 && count >= sliceChars)
            sliceChars = std::min(kMaxSliceChars, sliceChars * 2);
        if (typing.Pending() && !continueAsked) {
            continueAsked = true;
            host.ContinueSoon();
        }
    }

    void StopLine() override {
        const int32_t line = currentLine;
        host.ClickStop();
        if (listener) listener->OnStopLine(line);
    }

    void CycleLine(std::string_view text) override {
        cycle.CycleActive = true;
        cycle.CycleStartLine = currentLine;
        cycle.CyclePass = 1;
        const std::string count = ScanNumberField(text, 0, text.size(), false);
        cycle.CycleLimit = count.empty() ? kMaxFieldValue : ReadDecimalField(count);
    }

    void CycleEndLine() override {
        if (!cycle.CycleActive) return;
        // The pass count stops at the largest value, so a block without a
        // count repeats until playback stops.
        if (cycle.CyclePass < std::numeric_limits<int32_t>::max()) ++cycle.CyclePass;
        if (cycle.CyclePass > cycle.CycleLimit) {
            cycle.CycleActive = false;
        } else if (host.LineCount() >= cycle.CycleStartLine) {
            currentLine = cycle.CycleStartLine;
        }
    }

    void IntervalLine(uint32_t ms) override {
        // A timer at 0 ms would never tick while playback looks running.
        if (ms == 0) ms = 1;
        host.SetTimerInterval(ms);
        if (listener) listener->OnInterval(currentLine, ms);
    }

    void ContinueTyping() {
        if (!typing.Pending()) return;
        try {
            TypeSlice();
        } catch (...) {
            typing.Drop();
            try {
                ErrorRule();
            } catch (...) {
            }
        }
        sink.Flush();
    }

    void Tick() {
        ++currentLine;
        if (host.LineCount() < currentLine) {
            if (host.Repeat()) {
                currentLine = 0;
            } else {
                const int32_t line = currentLine;
                host.ClickStop();
                if (listener) listener->OnEndOfList(line);
            }
            return;
        }
        host.SetSelected(currentLine - 2, false);
        host.SetSelected(currentLine - 1, true);
        const std::string text = host.LineText(currentLine - 1);
        ActionContext context{sink, held, random, *this, ownerWindow, &typing};
        PerformActionLine(text, context);
        if (typing.Pending()) TypeSlice();
    }

    void ErrorRule() {
        host.SetStateText(" Line " + std::to_string(currentLine) + ". Error");
        if (listener) listener->OnLineError(currentLine);
        if (!host.StepOverErrors()) host.SetTimerEnabled(false);
    }

    void ShowIdle(const char* stateText) {
        host.SetTimerEnabled(false);
        host.SetPauseButtonShown(false);
        host.SetStateText(stateText);
        host.SetListEnabled(true);
        host.SetNewScenarioEnabled(true);
    }
};

PlaybackEngine::PlaybackEngine(EngineHost& host, InputSink& sink, RangeGenerator& random)
    : impl_(new Impl(host, sink, random)) {}

PlaybackEngine::~PlaybackEngine() { delete impl_; }

void PlaybackEngine::Play1Click() {
    EngineHost& host = impl_->host;
    // Run during a Write performs that line again from its start.
    impl_->typing.Drop();
    impl_->loadsDroppedTold = false;
    impl_->currentLine = std::max(0, host.CaretLine());
    host.SetTimerEnabled(true);
    host.SetPauseButtonShown(true);
    host.SetStateText(" Run");
    host.SetListEnabled(false);
    host.SetNewScenarioEnabled(false);
}

void PlaybackEngine::Pause1Click() {
    // The rest of a Write under way is not typed; Run performs the line anew.
    impl_->typing.Drop();
    impl_->ShowIdle(" Pause");
}

void PlaybackEngine::Stop1Click() {
    // Nothing playback pressed stays down once it has stopped.
    ReleaseHeld();
    impl_->ShowIdle(" Stop");
    EngineHost& host = impl_->host;
    if (host.LineCount() >= 1) {
        host.SetSelected(host.CaretLine(), false);
        impl_->currentLine = 0;
        host.SetSelected(0, true);
    }
}

void PlaybackEngine::Timer1Timer() {
    if (impl_->typing.Pending()) {
        impl_->ContinueTyping();
        return;
    }
    try {
        impl_->Tick();
    } catch (...) {
        // Every failure inside a tick ends here; none leaves the tick.
        impl_->typing.Drop();
        try {
            impl_->ErrorRule();
        } catch (...) {
        }
    }
    // What the tick sent reaches the system before the next event is handled.
    impl_->sink.Flush();
}

void PlaybackEngine::ContinueLine() {
    impl_->continueAsked = false;
    impl_->ContinueTyping();
}

bool PlaybackEngine::LineUnderWay() const { return impl_->typing.Pending(); }

void PlaybackEngine::SetClock(std::function<int64_t()> clock) {
    impl_->clock = clock ? std::move(clock) : SteadyNow;
}

void PlaybackEngine::ReleaseHeld() {
    // Whatever is left of a Write stays untyped.
    impl_->typing.Drop();
    impl_->held.ReleaseAll(impl_->sink);
    impl_->sink.Flush();
}

int32_t PlaybackEngine::CurrentLine() const { return impl_->currentLine; }

const CycleState& PlaybackEngine::Cycle() const { return impl_->cycle; }

void PlaybackEngine::SetListener(PlaybackListener* listener) { impl_->listener = listener; }

void PlaybackEngine::SetOwnerWindow(const void* window) { impl_->ownerWindow = window; }

bool PlaybackEngine::HoldsInput() const { return !impl_->held.Empty(); }

}  // namespace tess
