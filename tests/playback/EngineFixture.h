#pragma once
// An engine on an in-memory host and a recording sink, with a listener that
// notes each engine event together with how many platform calls preceded it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/recording/RecordingSink.h"
#include "playback/MemoryHost.h"
#include "playback/PlaybackEngine.h"
#include "script/RangeValue.h"

namespace tess {

struct EventLog : PlaybackListener {
    explicit EventLog(const RecordingSink& s) : sink(s) {}
    void Note(const std::string& what, int32_t line) {
        events.push_back(std::to_string(line) + " " + what + " @" + std::to_string(sink.calls.size()));
    }
    void OnInterval(int32_t line, uint32_t ms) override { Note("interval " + std::to_string(ms), line); }
    void OnLineError(int32_t line) override { Note("error", line); }
    void OnStopLine(int32_t line) override { Note("stop", line); }
    void OnEndOfList(int32_t line) override { Note("end", line); }
    const RecordingSink& sink;
    std::vector<std::string> events;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        host.onClickStop = [this] { engine.Stop1Click(); };
        engine.SetListener(&log);
    }
    void Load(std::vector<std::string> lines) { host.SetLines(std::move(lines)); }
    // Runs from line `first` (1-based) as Run does with the caret there.
    void RunFrom(int first) {
        if (host.LineCount() > 0) host.SetCaretLine(first - 1);
        engine.Play1Click();
    }
    // Ticks while the timer runs, at most `limit` times; returns the count.
    int TickUntilIdle(int limit = 1000) {
        int ticks = 0;
        while (host.TimerTicks() && ticks < limit) {
            engine.Timer1Timer();
            ++ticks;
        }
        return ticks;
    }
    // Cursor x of every SetCursorPos so far: scenarios mark their lines so.
    std::vector<int> Marks() const {
        std::vector<int> out;
        for (const auto& c : sink.calls) {
            if (c.kind == SinkCall::Kind::SetCursorPos) out.push_back(c.x);
        }
        return out;
    }

    MemoryHost host;
    RecordingSink sink;
    RangeGenerator random{[] { return 1000u; }};
    PlaybackEngine engine{host, sink, random};
    EventLog log{sink};
};

}  // namespace tess
