#pragma once
// The scenario list: a list view with extended selection over the scenario
// model. Its current index is the caret line. Selection follows the rules
// playback relies on: selecting a line makes it the caret line, clearing a
// line leaves the caret where it is, index -1 stands for every line.
#include <QListView>
#include <vector>

#include "app/ScenarioModel.h"

namespace tess {

class ScenarioList : public QListView {
    Q_OBJECT
public:
    explicit ScenarioList(QWidget* parent = nullptr);

    ScenarioModel& Model() { return model_; }
    const ScenarioModel& Model() const { return model_; }
    int Count() const { return model_.Count(); }

    // The line with the focus rectangle; 0 when the list is empty or no line
    // has been focused.
    int CaretLine() const;
    // Moves the focus rectangle without touching any selection mark.
    void SetCaretLine(int index);
    // Returns false for an index outside the list (other than -1).
    bool SetSelected(int index, bool selected);
    bool IsSelected(int index) const;
    // Selects exactly the given lines in one step (any order).
    void SelectLines(const std::vector<int>& indexes);
    std::vector<char> SelectionFlags() const;
    int SelectedCount() const;
    // Deletes every selected line; the caret stays on the line that was next
    // after the deleted ones above it. Returns the number deleted.
    int DeleteSelected();

    // The hover hint: the caret line's text, or "New scenario" when empty.
    QString HintText() const;

protected:
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ScenarioModel model_;
};

}  // namespace tess
