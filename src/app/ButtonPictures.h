#pragma once
// The button bar's pictures and the window icon, drawn in code.
#include <QIcon>
#include <QPixmap>

namespace tess {

QPixmap RunPicture();    // a right-pointing triangle
QPixmap PausePicture();  // two vertical bars
QPixmap StopPicture();   // a square
QIcon WindowIcon();

}  // namespace tess
