#pragma once
// Where the running window takes `tessaline --stop` and the like: a Unix
// socket on POSIX systems, a named pipe on Windows, open to this user
// alone. One implementation per system, chosen in CMake; the path itself
// comes from CommandSocketPath (RemoteCommands.h).
#include <QString>
#include <memory>

class QLocalServer;

namespace tess {

// Makes `server` listen at `path`. A place that an ended program left
// behind is taken over; one where a live window listens is left alone, and
// this returns false with a one-line reason. `claim` may receive what must
// be kept while the server listens.
bool ListenForCommands(QLocalServer& server, const QString& path, QString& error,
                       std::shared_ptr<void>& claim);

// Whether something other than this user's own endpoint stands at `path`
// (which keeps every window from taking commands there).
bool ForeignCommandPlace(const QString& path);

}  // namespace tess
