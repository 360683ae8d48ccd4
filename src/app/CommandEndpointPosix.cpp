// The commands' socket on POSIX systems: a Unix socket in the user's
// runtime folder, or in a private folder under the temporary directory.
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include "app/CommandEndpoint.h"
#include "app/RemoteCommands.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {
namespace {

// A folder only this user can enter, and not a link to somewhere else.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

}  // namespace

QString CommandSocketPath(bool create, QString& error) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QString folder;
    if (!runtime.isEmpty() && runtime.startsWith('/')) {
        folder = QString::fromLocal8Bit(runtime);
    } else {
        folder = QDir::tempPath() + QStringLiteral("/tessaline-0003-%1").arg(::getuid());
        const QByteArray local = folder.toLocal8Bit();
        if (create) ::mkdir(local.constData(), 0700);
        if (!IsPrivateFolder(local)) {
            error = QStringLiteral("the folder '%1' is missing or open to other users").arg(folder);
            return {};
        }
    }
    return folder + QStringLiteral("/tessaline-0003.socket");
}

bool ListenForCommands(QLocalServer& server, const QString& path, QString& error,
                       std::shared_ptr<void>&) {
    const QByteArray local = path.toLocal8Bit();
    // Two windows starting at once must not both take an old socket over.
    const int lock = ::open((local + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) ::close(lock);
        error = QStringLiteral("cannot lock '%1.lock'").arg(path);
        return false;
    }
    struct Unlock {
        int fd;
        ~Unlock() { ::close(fd); }
    } unlock{lock};

    struct stat info {};
    if (::lstat(local.constData(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode) || info.st_uid != ::getuid()) {
            error = QStringLiteral("'%1' is not a socket of this user").arg(path);
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            error = QStringLiteral("another Tessaline window takes the commands");
            return false;
        }
        // Nobody answers: a program that ended left it behind.
        QLocalServer::removeServer(path);
    }
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(path)) {
        error = server.errorString();
        return false;
    }
    return true;
}

bool ForeignCommandPlace(const QString& path) {
    struct stat info {};
    const QByteArray local = path.toLocal8Bit();
    return ::lstat(local.constData(), &info) == 0 && (!S_ISSOCK(info.st_mode) || info.st_uid != ::getuid());
}

}  // namespace tess
