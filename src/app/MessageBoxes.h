#pragma once
// The program's message boxes: captions "Confirm", "Error" and
// "Information"; buttons "&Yes", "&No", "OK" and "Cancel". "&Yes" or "OK" is
// the default; Esc answers "Cancel" where there is one, else "&No", else
// "OK". The boxes are modal but keep the event loop (and playback) running.
#include <QString>

class QWidget;

namespace tess {

enum class Answer { Yes, No, Cancel, Ok };

// "&Yes" and "&No"; closing the box answers No.
Answer ConfirmYesNo(QWidget* parent, const QString& text);
// "&Yes", "&No" and "Cancel"; closing the box answers Cancel.
Answer ConfirmYesNoCancel(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
void ShowInformation(QWidget* parent, const QString& text);

}  // namespace tess
