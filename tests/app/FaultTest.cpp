// The window when the system lets it down: a settings folder that is full or
// read-only at close, a scenario file that changes between the dialog and
// the read, a save killed half-way, and an end by signal with unsaved work.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <atomic>
#include <chrono>
#include <sys/resource.h>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FileSizeLimit.h"
#include "WindowTestSupport.h"
#include "app/ScenarioList.h"

using namespace tess;
using namespace tess::test;

namespace {

class FaultTest : public ::testing::Test, public WindowFixture {
protected:
    QString SettingsFile() const { return ConfigHome() + "/tessaline-0003/settings-tree"; }
    QByteArray StoreOnce() {
        window->move(30, 40);
        EXPECT_TRUE(window->close());
        window->show();
        QFile file(SettingsFile());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    // Closes after a move; the close must go through with one error box that
    // says the placement was not stored, and the stored file stays as it was.
    void ExpectCloseTellsNotStored(const QByteArray& stored) {
        window->move(70, 80);
        boxes.Queue({"OK"});
        EXPECT_TRUE(window->close());
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].caption, "Error");
        EXPECT_TRUE(boxes.seen[0].text.contains("not stored")) << boxes.seen[0].text.toStdString();
        QFile file(SettingsFile());
        file.open(QIODevice::ReadOnly);
        EXPECT_EQ(file.readAll(), stored);
        EXPECT_EQ(QDir(ConfigHome() + "/tessaline-0003").entryList(QDir::Files),
                  QStringList({"settings-tree"}));
    }
};

TEST_F(FaultTest, FullSettingsFolderAtCloseTellsThePlacementWasNotStored) {
    const QByteArray stored = StoreOnce();
    ASSERT_FALSE(stored.isEmpty());
    // No room for the rewritten file: a size limit binds root too.
    FileSizeLimit limit(16);
    ExpectCloseTellsNotStored(stored);
}

TEST_F(FaultTest, ReadOnlySettingsFolderAtCloseTellsThePlacementWasNotStored) {
    const QByteArray stored = StoreOnce();
    // A read-only file system over the settings folder, in a mount namespace
    // of this test's own; file permissions would not stop root.
    const QByteArray dir = QFile::encodeName(ConfigHome() + "/tessaline-0003");
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", dir.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no private mount namespace here";
    QFile copy(SettingsFile());
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(stored);
    copy.close();
    ASSERT_EQ(mount(nullptr, dir.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    ExpectCloseTellsNotStored(stored);
    umount2(dir.constData(), MNT_DETACH);
}

// Answers the open dialog with a file, then changes the file before the
// command reads it.
class ChangingDialogs : public FileDialogs {
public:
    QString SaveFileName(QWidget*, const QString&) override { return {}; }
    QString OpenFileName(QWidget*, const QString&) override {
        change();
        return path;
    }
    QString path;
    std::function<void()> change;
};

TEST_F(FaultTest, ScenarioFileThatChangesAfterTheDialogIsReportedAndTheListKept) {
    const QString path = TempPath("going.sf");
    ChangingDialogs changing;
    changing.path = path;
    FileCommands files(window.get(), *window->ListBox1, changing, [](bool) {});
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"removed", [&] { QFile::remove(path); }},
        {"a folder", [&] { QDir().mkpath(path); }},
        {"a named pipe", [&] { mkfifo(QFile::encodeName(path).constData(), 0600); }},
        {"a device", [&] { symlink("/dev/zero", QFile::encodeName(path).constData()); }},
        {"a line of 2 MiB", [&] { WriteBytes("going.sf", "Write " + QByteArray(2 << 20, 'x') + "\n"); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        WriteBytes("going.sf", "CurPos 1,2\n");
        changing.change = [&] {
            QFile::remove(path);
            change();
        };
        // A read that waits for a writer to the pipe is let go after a while
        // and counts as a failure, rather than hanging the test.
        std::promise<void> done;
        std::atomic<bool> blocked{false};
        auto guard = std::async(std::launch::async, [&, finished = done.get_future()] {
            if (finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return;
            blocked = true;
            int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
        });
        boxes.Queue({"OK", "OK"});
        files.LoadFromFile();
        files.AddFromFile();
        done.set_value();
        guard.wait();
        EXPECT_FALSE(blocked);
        EXPECT_EQ(Lines(), SampleScenario());
        ASSERT_EQ(boxes.seen.size(), 2u);
        EXPECT_EQ(boxes.seen[0].caption, "Error");
        EXPECT_TRUE(boxes.seen[0].text.contains(path)) << boxes.seen[0].text.toStdString();
        boxes.seen.clear();
        QDir(path).removeRecursively();
        QFile::remove(path);
    }
}

TEST_F(FaultTest, SaveKilledHalfWayLeavesTheOldFileWhole) {
    WriteBytes("keep.sf", "old\n");
    const std::vector<std::string> many(100'000, "CurPos [750..769],[181..172]");
    const QString path = TempPath("keep.sf");
    const pid_t child = fork();
    if (child == 0) {
        // Killed by the system at the first byte past 1 MiB, half-way
        // through the new file.
        signal(SIGXFSZ, SIG_DFL);
        const rlimit cap{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &cap);
        QString error;
        WriteScenarioLines(path, many, error);
        _exit(0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ)
        << "the save was not killed half-way";
    EXPECT_EQ(ReadBytes("keep.sf"), "old\n");
    EXPECT_EQ(QDir(temp_.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.sf"}));
}

TEST_F(FaultTest, EndBySignalAsksNothingAndKeepsAModifiedScenario) {
    qputenv("XDG_DATA_HOME", TempPath("data").toUtf8());
    window->ListBox1->Model().SetLines({"Write kept", "", " Click "});
    window->MarkModified();
    const QString line = window->EndBySignal(SIGTERM);
    EXPECT_TRUE(boxes.seen.empty());
    const QStringList kept = QDir(TempPath("data/tessaline-0003")).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1u);
    const QString path = TempPath("data/tessaline-0003/") + kept[0];
    EXPECT_TRUE(line.contains(path)) << line.toStdString();
    std::vector<std::string> lines;
    QString error;
    ASSERT_TRUE(ReadScenarioLines(path, lines, error));
    EXPECT_EQ(lines, std::vector<std::string>({"Write kept", "", " Click "}));
    // Nothing unsaved: nothing kept.
    QDir(TempPath("data")).removeRecursively();
    window->EndBySignal(SIGTERM);
    EXPECT_FALSE(QDir(TempPath("data")).exists());
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
