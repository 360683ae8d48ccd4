#include <QFile>
#include <string>

#include "app/FileAccess.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace tess {
namespace {

QString SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, int(length)).trimmed()
                             : QStringLiteral("error %1").arg(code);
    if (text) ::LocalFree(text);
    while (message.endsWith(QLatin1Char('.'))) message.chop(1);
    return message;
}

}  // namespace

bool OpenPlainFile(const QString& path, QFile& file, QString& error) {
    // Shared with every other reader and writer (an editor keeping the file
    // open must not make it unreadable here), and opened as what it is: a
    // folder or a device is refused before anything is read.
    const std::wstring name = path.toStdWString();
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = QStringLiteral("Could not read the file '%1': %2.").arg(path, SystemMessage(::GetLastError()));
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = ::GetFileType(handle) == FILE_TYPE_DISK;
    if (!disk || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        ::CloseHandle(handle);
        if (disk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            error = QStringLiteral("'%1' is a folder, not a file.").arg(path);
        else
            error = QStringLiteral("Could not read the file '%1': it is not a plain file.").arg(path);
        return false;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        error = QStringLiteral("Could not read the file '%1': out of file handles.").arg(path);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::_close(fd);
        error = QStringLiteral("Could not read the file '%1': %2.").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool UseSystemFileDialogs() { return true; }

QString AllFilesFilter() { return QStringLiteral("All (*.*)"); }

}  // namespace tess
