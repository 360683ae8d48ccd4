// The window's parts that Windows does its own way: reading a scenario
// through a handle shared with other programs, the commands' named pipe,
// and the end of the session.
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "app/CommandEndpoint.h"
#include "app/EndOfSession.h"
#include "app/FileAccess.h"
#include "app/RemoteCommands.h"
#include "app/ScenarioList.h"
#include "app/ScenarioModel.h"

#include <windows.h>

namespace tess::test {
namespace {

class WindowsPartsTest : public ::testing::Test, public WindowFixture {};

TEST_F(WindowsPartsTest, OnlyPlainFilesAreReadAlsoWhileAnotherProgramWritesThem) {
    WriteBytes("open.sf", "Write shared\r\n");
    QDir().mkpath(TempPath("folder.sf"));
    // An editor that keeps the file open for writing, sharing reads.
    QFile writer(TempPath("open.sf"));
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite));
    const struct {
        QString path;
        bool read;
        QString said;
    } cases[] = {
        {TempPath("open.sf"), true, {}},
        {TempPath("folder.sf"), false, "is a folder, not a file."},
        {TempPath("missing.sf"), false, "Could not read the file"},
        {QStringLiteral("NUL"), false, "it is not a plain file."},
    };
    for (const auto& c : cases) {
        QFile file;
        QString error;
        EXPECT_EQ(OpenPlainFile(c.path, file, error), c.read) << c.path.toStdString();
        if (c.read) {
            EXPECT_EQ(file.readAll(), "Write shared\r\n");
        } else {
            EXPECT_TRUE(error.contains(c.said) && error.contains(c.path))
                << c.path.toStdString() << ": " << error.toStdString();
        }
    }
}

TEST_F(WindowsPartsTest, CommandPipeIsTheUsersAloneAndTakenOnce) {
    QString error;
    const QString path = CommandSocketPath(true, error);
    ASSERT_TRUE(path.startsWith("tessaline-0003-S-1-")) << path.toStdString();
    std::vector<QString> words;
    CommandServer first([&](const QString& word) { words.push_back(word); });
    ASSERT_TRUE(first.Listen(path, error)) << error.toStdString();
    CommandServer second([](const QString&) {});
    QString refused;
    EXPECT_FALSE(second.Listen(path, refused));
    EXPECT_EQ(refused, "another Tessaline window takes the commands");

    // The client waits in this thread, so it runs as a program of its own.
    QProcess client;
    client.start(QStringLiteral(TESSALINE_PROGRAM), {QStringLiteral("--pause")});
    QSignalSpy finished(&client, &QProcess::finished);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
    EXPECT_EQ(words, std::vector<QString>({"pause"}));
}

TEST_F(WindowsPartsTest, SessionEndKeepsTheScenarioAtOnceAndHoldsNothingUp) {
    window->ListBox1->Model().SetLines({"Write kept"});
    window->MarkModified();
    std::vector<int> ends;
    QString line;
    WatchEndOfSession(*window, [&](int number) {
        ends.push_back(number);
        line = window->EndBySignal(number);
    });
    // A top-level window of the program, as the session's end reaches each.
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    for (const auto& [message, wParam] : {std::pair{WM_QUERYENDSESSION, WPARAM(0)},
                                          {WM_ENDSESSION, WPARAM(FALSE)},  // cancelled
                                          {WM_ENDSESSION, WPARAM(TRUE)},
                                          {WM_ENDSESSION, WPARAM(TRUE)}}) {
        ::PostMessageW(hwnd, message, wParam, ENDSESSION_LOGOFF);
        QApplication::processEvents();
    }
    ::DestroyWindow(hwnd);
    EXPECT_EQ(ends, std::vector<int>({15}));
    EXPECT_TRUE(line.contains("logoff") && line.contains("the unsaved scenario was kept in"))
        << line.toStdString();
    EXPECT_FALSE(window->IsModified());
}

}  // namespace
}  // namespace tess::test
