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
}

CommandServer::~CommandServer() { server_.close(); }

bool CommandServer::Listen(const QString& path, QString& error) {
    return ListenForCommands(server_, path, error, claim_);
}

void CommandServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        pending_.insert(socket, {});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
        // A client that says nothing is not waited for.
        QTimer::singleShot(kWaitMs, socket, [socket] { socket->abort(); });
    }
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
