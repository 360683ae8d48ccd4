#include "editor/EditAction.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "editor/ActionEditor.h"
#include "editor/EditorWords.h"

namespace tess {

void Editaction1Click(EditorHost& host, ActionEditor& editor) {
    const int count = host.LineCount();
    if (count > 0) {
        const int caret = std::clamp(host.CaretLine(), 0, count - 1);
        const EditorSplit split = SplitForEditing(host.Line(caret));
        // The word goes into its own list, and the other list is emptied so
        // that the action button composes the line as it was.
        const bool extended = IsExtendedWord(split.word);
        ActionEditor::SetCommandText(editor.ComboBox1(), extended ? QString() : split.word);
        ActionEditor::SetCommandText(editor.ComboBox2(), extended ? split.word : QString());
        editor.Edit1()->setText(split.parameter);
        editor.SetEditMode();
    }
    // Showing and activating the editor enables its controls from the texts.
    editor.ShowEditor();
}

}  // namespace tess
