#include "playback/MemoryHost.h"

#include <algorithm>
#include <stdexcept>

namespace tess {

MemoryHost::MemoryHost(std::vector<std::string> lines) { SetLines(std::move(lines)); }

int MemoryHost::LineCount() const { return static_cast<int>(lines_.size()); }

void MemoryHost::CheckIndex(int index) const {
    if (index < 0 || index >= LineCount()) {
        throw std::out_of_range("list index out of bounds (" + std::to_string(index) + ")");
    }
}

std::string MemoryHost::LineText(int index) const {
    CheckIndex(index);
    return lines_[static_cast<std::size_t>(index)];
}

void MemoryHost::SetSelected(int index, bool selected) {
    if (index == -1) {
        std::fill(selected_.begin(), selected_.end(), static_cast<char>(selected));
        return;
    }
    CheckIndex(index);
    selected_[static_cast<std::size_t>(index)] = selected;
    if (selected) caret_ = index;
}

int MemoryHost::CaretLine() const { return caret_; }

void MemoryHost::SetTimerEnabled(bool enabled) {
    if (enabled == timerEnabled_) return;
    timerEnabled_ = enabled;
    if (enabled) ++countdownRestarts_;
}

void MemoryHost::SetTimerInterval(uint32_t ms) {
    if (ms == timerInterval_) return;
    timerInterval_ = ms;
    ++countdownRestarts_;
}

void MemoryHost::ClickStop() {
    if (onClickStop) onClickStop();
}

void MemoryHost::SetLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    selected_.resize(lines_.size(), 0);
    caret_ = std::clamp(caret_, 0, std::max(0, LineCount() - 1));
}

bool MemoryHost::IsSelected(int index) const {
    CheckIndex(index);
    return selected_[static_cast<std::size_t>(index)] != 0;
}

int MemoryHost::SelectedCount() const {
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), 1));
}

void MemoryHost::SetCaretLine(int index) {
    CheckIndex(index);
    caret_ = index;
}

}  // namespace tess
