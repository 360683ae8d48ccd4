#pragma once
// An EngineHost held in memory: a scenario list with selection flags and a
// caret line, a playback timer, the state panel and the run/pause look. It
// behaves as the main window's list and timer do, and serves the tests and
// the command-line player.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "playback/EngineHost.h"

namespace tess {

class MemoryHost : public EngineHost {
public:
    explicit MemoryHost(std::vector<std::string> lines = {});

    int LineCount() const override;
    std::string LineText(int index) const override;
    void SetSelected(int index, bool selected) override;
    int CaretLine() const override;

    bool TimerEnabled() const override { return timerEnabled_; }
    void SetTimerEnabled(bool enabled) override;
    uint32_t TimerInterval() const override { return timerInterval_; }
    void SetTimerInterval(uint32_t ms) override;

    void SetStateText(const std::string& text) override { stateText = text; }
    void SetPauseButtonShown(bool shown) override { pauseShown = shown; }
    void SetListEnabled(bool enabled) override { listEnabled = enabled; }
    void SetNewScenarioEnabled(bool enabled) override { newScenarioEnabled = enabled; }

    bool StepOverErrors() const override { return stepOverErrors; }
    bool Repeat() const override { return repeat; }
    void ClickStop() override;
    void ContinueSoon() override { ++continueRequests; }
    void ShowNotice(const std::string& line) override { notices.push_back(line); }

    // Editing between ticks. Selection flags follow their lines; the caret
    // stays on a line of the list (0 for an empty one).
    void SetLines(std::vector<std::string> lines);
    const std::vector<std::string>& Lines() const { return lines_; }
    bool IsSelected(int index) const;
    int SelectedCount() const;
    // Moves the focus rectangle without touching any selection flag.
    void SetCaretLine(int index);

    // The timer ticks only while enabled with an interval above 0.
    bool TimerTicks() const { return timerEnabled_ && timerInterval_ > 0; }
    // Grows each time the countdown restarts (enabling, a new interval).
    uint64_t CountdownRestarts() const { return countdownRestarts_; }

    std::string stateText;
    bool pauseShown = false;
    bool listEnabled = true;
    bool newScenarioEnabled = true;
    bool stepOverErrors = true;
    bool repeat = false;
    // How often the engine asked to continue a line under way.
    uint64_t continueRequests = 0;
    // The notices, oldest first, for the owner to take.
    std::vector<std::string> notices;
    // What clicking the Stop item does; the engine's Stop1Click as a rule.
    std::function<void()> onClickStop;

private:
    void CheckIndex(int index) const;

    std::vector<std::string> lines_;
    std::vector<char> selected_;
    int caret_ = 0;
    bool timerEnabled_ = false;
    uint32_t timerInterval_ = 1000;
    uint64_t countdownRestarts_ = 0;
};

}  // namespace tess
