#include <QFile>
#include <cerrno>
#include <cstring>

#include "app/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

bool OpenPlainFile(const QString& path, QFile& file, QString& error) {
    // Opened without waiting and checked to be a plain file before anything
    // is read: a named pipe or a device that took the file's place after the
    // dialog would otherwise block the window, or never reach its end.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int reason = errno;
        if (fd >= 0) ::close(fd);
        if (fd >= 0 && S_ISDIR(st.st_mode))
            error = QStringLiteral("'%1' is a folder, not a file.").arg(path);
        else if (fd >= 0)
            error = QStringLiteral("Could not read the file '%1': it is not a plain file.").arg(path);
        else
            error = QStringLiteral("Could not read the file '%1': %2.")
                        .arg(path, QString::fromLocal8Bit(std::strerror(reason)));
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("Could not read the file '%1': %2.").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool UseSystemFileDialogs() { return false; }

// Every file, also names without a dot.
QString AllFilesFilter() { return QStringLiteral("All (*)"); }

}  // namespace tess
