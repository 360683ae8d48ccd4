#pragma once
// "Edit action": loads the scenario's caret line into the action editor,
// switches it to Edit mode and shows it, so that its action button rewrites
// the line.
#include "editor/EditorHost.h"

namespace tess {

class ActionEditor;

void Editaction1Click(EditorHost& host, ActionEditor& editor);

}  // namespace tess
