#include "app/RemoteCommands.h"

#include <QAction>
#include <QLocalSocket>
#include <QTimer>

#include "app/CommandEndpoint.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"

namespace tess {
namespace {

constexpr int kWaitMs = 5000;
const char* const kWords[] = {"stop", "pause", "run"};

bool IsWord(const QByteArray& word) {
    for (const char* known : kWords) {
        if (word == known) return true;
    }
    return false;
}

}  // namespace

QString CommandWordOf(const char* argument) {
    for (const char* known : kWords) {
        if (argument == QByteArray("--") + known) return QString::fromLatin1(known);
    }
    return {};
}

int SendCommand(const QString& path, const QString& word, QString& error) {
    // Something else in the socket's place keeps every window from taking
    // commands: that is the reason, not that no window runs.
    if (!path.isEmpty() && ForeignCommandPlace(path)) {
        error = QStringLiteral("'%1' is not a socket of this user, so no Tessaline window can take commands")
                    .arg(path);
        return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (path.isEmpty() || !socket.waitForConnected(kWaitMs)) {
        error = QStringLiteral("no Tessaline window is running");
        return 1;
    }
    socket.write(word.toLatin1() + '\n');
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(kWaitMs)) answer += socket.readAll();
    answer += socket.readAll();
    if (answer != "ok\n") {
        error = QStringLiteral("the running Tessaline window did not take the command");
        return 1;
    }
    return 0;
}

CommandServer::CommandServer(Perform perform, QObject* parent)
    : QObject(parent), perform_(std::move(perform)) {
    connect(&server_, &QLocalServer::newConnection, this, &CommandServer::Accept);
    // The socket stops listening for good when the system refuses a
    // connection (no file left to take it): checked once a second.
    watch_.setInterval(1000);
    connect(&watch_, &QTimer::timeout, this, &CommandServer::CheckListening);
}

CommandServer::~CommandServer() {
    // Connections still open end with the server; what they would report
    // on the way reaches nothing of this object.
    for (QLocalSocket* socket : server_.findChildren<QLocalSocket*>()) socket->disconnect(this);
    for (QLocalSocket* socket : order_) socket->disconnect(this);
    server_.close();
}

bool CommandServer::Listen(const QString& path, QString& error) {
    if (!ListenForCommands(server_, path, error, claim_)) return false;
    path_ = path;
    watch_.start();
    return true;
}

void CommandServer::CheckListening() {
    if (path_.isEmpty() || server_.isListening()) return;
    QString error;
    const bool again = Listen(path_, error);
    if (notice_ && (again || !relistenFailed_)) {
        notice_(again ? QStringLiteral("The commands socket stopped listening and listens again.")
                      : QStringLiteral("The commands socket stopped listening: %1.").arg(error));
    }
    relistenFailed_ = !again;
}

void CommandServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (static_cast<int>(order_.size()) >= kCommandMaxConnections) {
            QLocalSocket* oldest = order_.front();
            Forget(oldest);
            oldest->abort();
        }
        pending_.insert(socket, {});
        order_.push_back(socket);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            Forget(socket);
            socket->deleteLater();
        });
        // A client that says nothing is not waited for.
        QTimer::singleShot(kWaitMs, socket, [socket] { socket->abort(); });
    }
}

void CommandServer::Forget(QLocalSocket* socket) {
    if (pending_.remove(socket)) order_.remove(socket);
}

void CommandServer::Read(QLocalSocket* socket) {
    auto it = pending_.find(socket);
    if (it == pending_.end()) return;
    QByteArray& text = it.value();
    text += socket->read(kCommandMaxBytes + 1 - text.size());
    const qsizetype end = text.indexOf('\n');
    if (end < 0 && text.size() <= kCommandMaxBytes && socket->bytesAvailable() == 0) return;
    const QByteArray word = text.left(end);
    const bool good = end >= 0 && end + 1 == text.size() && socket->bytesAvailable() == 0 && IsWord(word);
    if (!good) {
        socket->abort();  // refused; nothing happens
        return;
    }
    text.clear();
    perform_(QString::fromLatin1(word));
    socket->write("ok\n");
    socket->disconnectFromServer();
}

CommandServer::Perform WindowCommands(MainWindow& window) {
    return [&window](const QString& word) {
        MainActions& a = window.Actions();
        QAction* action = word == QLatin1String("stop")    ? a.Stop1
                          : word == QLatin1String("pause") ? a.Pause1
                                                           : a.Play1;
        action->trigger();
    };
}

}  // namespace tess
