#pragma once
// The scenario file commands: "Save to file", "Load from file" and "Add from
// file". Files are the scenario text format (UTF-8, a line feed after every
// line); saving goes through a temporary file that replaces the old one only
// when everything was written.
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QFileDialog;
class QWidget;

namespace tess {

class ScenarioList;

// Asks for file names; the tests answer in place of a person.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Empty when the user cancels.
    virtual QString SaveFileName(QWidget* parent, const QString& lastName) = 0;
    virtual QString OpenFileName(QWidget* parent, const QString& lastName) = 0;
};

// The dialogs "Save scenario" and "Open scenario", filter "Scenario (*.sf)"
// first, then "All (*)". With "Scenario" chosen, a name typed without an
// extension gets ".sf".
QFileDialog* MakeScenarioDialog(QWidget* parent, bool save);
class QtFileDialogs : public FileDialogs {
public:
    QString SaveFileName(QWidget* parent, const QString& lastName) override;
    QString OpenFileName(QWidget* parent, const QString& lastName) override;
};

// Plain file operations; on failure `error` names the file and the reason.
bool ReadScenarioLines(const QString& path, std::vector<std::string>& lines, QString& error);
bool WriteScenarioLines(const QString& path, const std::vector<std::string>& lines,
                        QString& error);

class FileCommands {
public:
    // `setModified` switches the window's modified flag.
    FileCommands(QWidget* window, ScenarioList& list, FileDialogs& dialogs,
                 std::function<void(bool)> setModified);

    // True when the scenario was written; false when the dialog was
    // cancelled or the write failed (the failure has been reported).
    bool SaveToFile();
    void LoadFromFile();
    void AddFromFile();

    const QString& LastFileName() const { return lastName_; }

private:
    bool Read(const QString& path, std::vector<std::string>& lines);

    QWidget* window_;
    ScenarioList& list_;
    FileDialogs& dialogs_;
    std::function<void(bool)> setModified_;
    QString lastName_;
};

}  // namespace tess
