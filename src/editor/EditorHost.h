#pragma once
// What the action editor, the cursor tracking and Edit action need from the
// main window. The main window implements it.
#include <QString>

class QWidget;

namespace tess {

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // Scenario list, indexed from 0.
    virtual int LineCount() const = 0;
    // The line with the focus rectangle (0 for an empty list or when no
    // line has been focused yet).
    virtual int CaretLine() const = 0;
    virtual QString Line(int index) const = 0;
    virtual void InsertLine(int index, const QString& text) = 0;
    virtual void AppendLine(const QString& text) = 0;
    virtual void ReplaceLine(int index, const QString& text) = 0;
    // Setting a line's selection mark also makes it the caret line;
    // clearing it leaves the caret where it is.
    virtual void SetLineSelected(int index, bool selected) = 0;

    // Enables "Save" and "Save to file".
    virtual void MarkModified() = 0;
    // Shows the main window and brings it to the front.
    virtual void ShowMainWindow() = 0;
    // The main window, for centring the editor over it.
    virtual QWidget* MainWindowWidget() = 0;
    // First status panel (the live cursor position).
    virtual void SetCursorPanelText(const QString& text) = 0;
};

}  // namespace tess
