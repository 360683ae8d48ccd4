#include "app/FileCommands.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>
#include <algorithm>

#include "app/FileAccess.h"
#include "app/MessageBoxes.h"
#include "app/ScenarioList.h"
#include "script/ScenarioText.h"

namespace tess {
namespace {

const QString kScenarioFilter = QStringLiteral("Scenario (*.sf)");
// Far beyond any real scenario (about 16 million lines), small enough to
// load without exhausting memory.
constexpr qint64 kMaxFileSize = qint64(256) << 20;

// Icons and type names from the name alone: the dialog never opens a file
// to guess its type, which in /proc or on a device can block for good.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
public:
    // The style's own pictures: a desktop without an icon theme has no
    // others, and a null icon makes the dialog warn on standard error each
    // time it scales one.
    QIcon icon(IconType type) const override {
        QStyle* style = QApplication::style();
        switch (type) {
        case Computer: return style->standardIcon(QStyle::SP_ComputerIcon);
        case Desktop: return style->standardIcon(QStyle::SP_DesktopIcon);
        case Trashcan: return style->standardIcon(QStyle::SP_TrashIcon);
        case Drive: return style->standardIcon(QStyle::SP_DriveHDIcon);
        case Network: return style->standardIcon(QStyle::SP_DriveNetIcon);
        case Folder: return style->standardIcon(QStyle::SP_DirIcon);
        case File: break;
        }
        return style->standardIcon(QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo& info) const override {
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File")
                                : QStringLiteral("%1 File").arg(suffix.toUpper());
    }
};

QString RunDialog(QWidget* parent, bool save, const QString& lastName) {
    QFileDialog* dialog = MakeScenarioDialog(parent, save);
    // The save dialog offers the last file; the open dialog starts in its
    // folder with no name filled in.
    if (!lastName.isEmpty() && save)
        dialog->selectFile(lastName);
    else if (!lastName.isEmpty())
        dialog->setDirectory(QFileInfo(lastName).absolutePath());
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().front();
    delete dialog;
    return chosen;
}

}  // namespace

QFileDialog* MakeScenarioDialog(QWidget* parent, bool save) {
    auto* dialog = new QFileDialog(parent, save ? QStringLiteral("Save scenario")
                                                : QStringLiteral("Open scenario"));
    // Where it is not the system's own, the program's own dialog, whose
    // icons come from names alone (a desktop's dialog may read files to
    // guess their types).
    if (!UseSystemFileDialogs()) dialog->setOption(QFileDialog::DontUseNativeDialog);
    static NameOnlyIconProvider icons;
    dialog->setIconProvider(&icons);
    dialog->setNameFilters({kScenarioFilter, AllFilesFilter()});
    dialog->selectNameFilter(kScenarioFilter);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(QStringLiteral("sf"));
        QObject::connect(dialog, &QFileDialog::filterSelected, dialog,
                         [dialog](const QString& filter) {
                             dialog->setDefaultSuffix(filter == kScenarioFilter
                                                          ? QStringLiteral("sf")
                                                          : QString());
                         });
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

QString QtFileDialogs::SaveFileName(QWidget* parent, const QString& lastName) {
    return RunDialog(parent, true, lastName);
}

QString QtFileDialogs::OpenFileName(QWidget* parent, const QString& lastName) {
    return RunDialog(parent, false, lastName);
}

bool ReadScenarioLines(const QString& path, std::vector<std::string>& lines, QString& error) {
    QFile file;
    if (!OpenPlainFile(path, file, error)) return false;
    if (file.size() > kMaxFileSize) {
        error = QStringLiteral("Could not read the file '%1': it is too large for a scenario.")
                    .arg(path);
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Could not read the file '%1': %2.").arg(path, file.errorString());
        return false;
    }
    const std::string_view content(bytes.constData(), size_t(bytes.size()));
    std::string why;
    if (!CheckScenarioSize(content, why)) {
        error = QStringLiteral("Could not read the file '%1': %2.").arg(path, QString::fromStdString(why));
        return false;
    }
    lines = DecodeScenario(content);
    return true;
}

bool WriteScenarioLines(const QString& path, const std::vector<std::string>& lines,
                        QString& error) {
    // Where the old content waits while a file is rewritten in place.
    const QString copies = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/tessaline-0003");
    // Whether there was a file to leave alone: a failed save of a new file
    // wrote nothing, and says so.
    const bool existed = QFileInfo::exists(path);
    std::string reason;
    if (WriteScenarioFile(QFile::encodeName(path).toStdString(), lines, reason,
                          QFile::encodeName(copies).toStdString()))
        return true;
    const QString why = QString::fromLocal8Bit(reason.c_str());
    error = QStringLiteral("Could not save the scenario to '%1': %2.").arg(path, why);
    if (!existed)
        error += QStringLiteral("\nNothing was written.");
    else if (!why.contains(QStringLiteral("old content is kept")))
        error += QStringLiteral("\nThe file was left as it was.");
    return false;
}

FileCommands::FileCommands(QWidget* window, ScenarioList& list, FileDialogs& dialogs,
                           std::function<void(bool)> setModified)
    : window_(window), list_(list), dialogs_(dialogs), setModified_(std::move(setModified)) {}

bool FileCommands::SaveToFile() {
    QString path = dialogs_.SaveFileName(window_, lastName_);
    if (path.isEmpty()) return false;
    QString error;
    if (!WriteScenarioLines(path, list_.Model().Lines(), error)) {
        ShowError(window_, error);
        return false;
    }
    // Only a name that worked is offered again: the next dialog does not
    // start in a folder where the save failed.
    lastName_ = path;
    setModified_(false);
    return true;
}

bool FileCommands::Read(const QString& path, std::vector<std::string>& lines) {
    QString error;
    if (ReadScenarioLines(path, lines, error)) return true;
    ShowError(window_, error);
    return false;
}

void FileCommands::LoadFromFile() {
    QString path = dialogs_.OpenFileName(window_, lastName_);
    std::vector<std::string> lines;
    if (path.isEmpty() || !Read(path, lines)) return;
    lastName_ = path;
    list_.Model().SetLines(std::move(lines));
    list_.SetCaretLine(0);
    setModified_(false);
}

void FileCommands::AddFromFile() {
    QString path = dialogs_.OpenFileName(window_, lastName_);
    std::vector<std::string> lines;
    if (path.isEmpty() || !Read(path, lines)) return;
    list_.Model().AppendLines(std::move(lines));
    setModified_(true);
}

}  // namespace tess
