#pragma once
// The information box that shows the update notice: the text in rows that
// scroll, so that a long notice never makes the box
// taller than the screen and a large one opens at once, and one "OK" button.
#include <QString>

class QDialog;
class QWidget;

namespace tess {

// The box, ready to run (the caller owns it): caption "Information".
QDialog* MakeNoticeBox(QWidget* parent, const QString& text);

}  // namespace tess
