// `tessaline --stop`, `--pause` and `--run` against a window of this test
// process, and against none: the real program as the client, the window's
// command socket as the server.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "WindowTestSupport.h"
#include "app/RemoteCommands.h"
#include "app/ScenarioList.h"

namespace tess::test {
namespace {

class RemoteCommandsTest : public ::testing::Test, public WindowFixture {
protected:
    QString SocketPath() const { return TempPath("tessaline-0003.socket"); }
    // Runs `tessaline ARG` with the test's folder as its runtime folder.
    int Command(const QString& arg, QString* output = nullptr) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", temp_.path());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(TESSALINE_PROGRAM, {arg});
        if (!finished.wait(20000)) return -1;  // the loop runs meanwhile
        if (output) *output = QString::fromLocal8Bit(process.readAll());
        return process.exitCode();
    }
    // A socket file with nobody behind it, as a killed program leaves it.
    void LeaveSocketBehind() {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = SocketPath().toLocal8Bit();
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
};

TEST_F(RemoteCommandsTest, CommandsFromAnotherProcessActOnTheRunningWindow) {
    CommandServer server(WindowCommands(*window));
    QString error;
    ASSERT_TRUE(server.Listen(SocketPath(), error)) << error.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(SocketPath().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the socket is open to other users";
    const struct {
        const char* arg;
        const char* state;
        bool running;
    } cases[] = {{"--run", " Run", true}, {"--pause", " Pause", false},
                 {"--run", " Run", true}, {"--stop", " Stop", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(Command(c.arg), 0);
        EXPECT_EQ(window->StatusPanel1->text(), c.state);
        EXPECT_EQ(window->TimerEnabled(), c.running);
    }
    EXPECT_TRUE(window->ListBox1->IsSelected(0));  // Stop selects line 1
}

TEST_F(RemoteCommandsTest, WithoutARunningWindowTheCommandSaysSoInOneLine) {
    for (bool leftBehind : {false, true}) {
        SCOPED_TRACE(leftBehind ? "socket left behind" : "no socket");
        if (leftBehind) LeaveSocketBehind();
        QString output;
        EXPECT_EQ(Command("--stop", &output), 1);
        EXPECT_EQ(output, "tessaline: no Tessaline window is running\n");
    }
    // Something else in the socket's place keeps every window from the
    // commands: that is what the line says.
    QFile::remove(SocketPath());
    ASSERT_TRUE(QDir().mkpath(SocketPath()));
    QString output;
    EXPECT_EQ(Command("--stop", &output), 1);
    EXPECT_EQ(output, "tessaline: '" + SocketPath() +
                          "' is not a socket of this user, so no Tessaline window can take commands\n");
    QDir(SocketPath()).removeRecursively();
}

TEST_F(RemoteCommandsTest, SocketLeftBehindIsTakenOverALiveOneIsNot) {
    LeaveSocketBehind();
    CommandServer first(WindowCommands(*window));
    QString error;
    ASSERT_TRUE(first.Listen(SocketPath(), error)) << error.toStdString();
    CommandServer second([](const QString&) { ADD_FAILURE() << "the second window took a command"; });
    EXPECT_FALSE(second.Listen(SocketPath(), error));
    EXPECT_EQ(Command("--run"), 0);
    EXPECT_EQ(window->StatusPanel1->text(), " Run");
}

TEST_F(RemoteCommandsTest, AnythingButOneKnownWordIsRefusedAndIgnored) {
    int performed = 0;
    CommandServer server([&](const QString&) { ++performed; });
    QString error;
    ASSERT_TRUE(server.Listen(SocketPath(), error)) << error.toStdString();
    const QByteArray cases[] = {"STOP\n", "stop stop\n", "stop\nrun\n", "\n", "halt\n",
                                QByteArray(70, 's') + "\n", QByteArray("stop\0\n", 6),
                                QByteArray(64, ' ') + "stop\n"};
    for (const QByteArray& text : cases) {
        SCOPED_TRACE(text.toStdString());
        QLocalSocket socket;
        socket.connectToServer(SocketPath());
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(text);
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        ASSERT_TRUE(closed.wait(10000));
        EXPECT_TRUE(socket.readAll().isEmpty());
    }
    EXPECT_EQ(performed, 0);
}

// A flood of idle connections from another process, with files as short as
// at the usual limit: the window holds only a few at once and keeps taking
// commands; and when the system refuses a connection anyway (no file left),
// the socket listens again and says so.
TEST_F(RemoteCommandsTest, FloodOfIdleConnectionsNeverStopsTheCommands) {
    CommandServer server(WindowCommands(*window));
    QStringList notices;
    server.SetNotice([&](const QString& line) { notices.append(line); });
    QString error;
    ASSERT_TRUE(server.Listen(SocketPath(), error)) << error.toStdString();
    // The listing's own descriptor is among those it lists.
    const auto openFiles = [] {
        return static_cast<rlim_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})) - 1;
    };
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    int ready[2], more[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(more), 0);
    const QByteArray path = SocketPath().toLocal8Bit();
    const pid_t client = ::fork();
    if (client == 0) {
        // Connects 200 times and holds them all; then once more on a word.
        ::close(ready[0]);
        ::close(more[1]);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        const auto connectOnce = [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        };
        for (int i = 0; i < 200; ++i) connectOnce();
        char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &byte, 1);
        if (::read(more[0], &byte, 1) == 1) connectOnce();
        n = ::read(more[0], &byte, 1);
        ::_exit(0);
    }
    ASSERT_GT(client, 0);
    rlimit tight = saved;
    tight.rlim_cur = openFiles() + 40;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const auto readable = [](int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return readable(ready[0]); }, 20000));
    EXPECT_TRUE(server.Listening());
    EXPECT_EQ(Command("--stop"), 0);
    EXPECT_EQ(window->StatusPanel1->text(), " Stop");

    // Not a file left: the next connection is refused and the socket stops.
    // (A new file takes the lowest free number, which the limit bounds.)
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const char byte = 1;
    ASSERT_EQ(::write(more[1], &byte, 1), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !server.Listening(); }, 20000));
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    server.CheckListening();
    EXPECT_TRUE(server.Listening());
    EXPECT_EQ(notices, QStringList{"The commands socket stopped listening and listens again."});
    EXPECT_EQ(Command("--run"), 0);
    EXPECT_EQ(window->StatusPanel1->text(), " Run");
    for (int fd : {ready[0], ready[1], more[0], more[1]}) ::close(fd);
    int status = 0;
    ::waitpid(client, &status, 0);
}

}  // namespace
}  // namespace tess::test
