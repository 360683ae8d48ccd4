#pragma once
// What the window's file commands do differently per system: opening a
// scenario to read without ever waiting on it, and the file dialogs. One
// implementation per system, chosen in CMake.
#include <QString>

class QFile;

namespace tess {

// Opens `path` for reading into `file`, refusing anything but a plain file
// (a folder, a named pipe, a device) before a byte is read, and without
// blocking on one that took the file's place after the dialog. False with
// one sentence for the message box in `error`.
bool OpenPlainFile(const QString& path, QFile& file, QString& error);

// Whether the open and save dialogs are the system's own: on Windows they
// are what users expect; elsewhere the program's own dialog, which never
// opens a file to guess its type.
bool UseSystemFileDialogs();

// The filter of every file, as this system writes it.
QString AllFilesFilter();

}  // namespace tess
