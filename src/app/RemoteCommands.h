#pragma once
// `tessaline --stop`, `--pause` and `--run` from another process: the first
// window of the user listens on a local socket in $XDG_RUNTIME_DIR (or in a
// private folder of its own under the temporary directory when that is not
// set), readable and writable by the user alone. A client sends one word
// and a line feed, at most 64 bytes; the window performs the command as its
// menu item does and answers "ok". Anything else is refused: the connection
// is closed and nothing happens.
#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <list>
#include <memory>

namespace tess {

class MainWindow;

inline constexpr int kCommandMaxBytes = 64;
// Connections held at once; a newer one ends the oldest, so that a flood of
// idle clients cannot use up the program's files.
inline constexpr int kCommandMaxConnections = 16;

// The socket's path. With `create`, the private fallback folder is made
// when needed. Empty, with a one-line reason, when no safe place exists.
QString CommandSocketPath(bool create, QString& error);

// The command word of a program argument ("--stop" -> "stop"), or empty.
QString CommandWordOf(const char* argument);

// Sends `word` to the running window and waits for its answer. Returns 0,
// or 1 with a one-line reason when no window runs or it did not answer.
int SendCommand(const QString& path, const QString& word, QString& error);

class CommandServer : public QObject {
    Q_OBJECT
public:
    using Perform = std::function<void(const QString& word)>;
    explicit CommandServer(Perform perform, QObject* parent = nullptr);
    ~CommandServer() override;

    // Listens at `path`. A socket file that nobody answers on (left by a
    // program that ended without removing it) is taken over; one that a
    // live program answers on is left alone, and this returns false.
    bool Listen(const QString& path, QString& error);
    bool Listening() const { return server_.isListening(); }
    // Told, one line each, when listening stopped (the system refused a
    // connection) and when it took up again or could not.
    void SetNotice(std::function<void(const QString&)> notice) { notice_ = std::move(notice); }
    // Checks that the socket still listens and listens again if not; runs
    // by itself every second once Listen succeeded.
    void CheckListening();

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Forget(QLocalSocket* socket);

    Perform perform_;
    QLocalServer server_;
    QString path_;
    QTimer watch_;
    bool relistenFailed_ = false;
    std::function<void(const QString&)> notice_;
    std::shared_ptr<void> claim_;  // held while listening
    QHash<QLocalSocket*, QByteArray> pending_;
    std::list<QLocalSocket*> order_;  // oldest first
};

// Stop, Pause and Run of the window, as their menu items perform them.
CommandServer::Perform WindowCommands(MainWindow& window);

}  // namespace tess
