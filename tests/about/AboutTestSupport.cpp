#include "AboutTestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

namespace tess::test {

namespace {

// One application for the whole program, working in a directory of its own
// so that the notice file never lands in the source tree.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tess_about_tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        m_previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir->path()));
    }
    void TearDown() override {
        QDir::setCurrent(m_previous);
        m_dir.reset();
        m_app.reset();
    }

private:
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

TestHttpServer::TestHttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) Serve(socket);
    });
}

QString TestHttpServer::Base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void TestHttpServer::Answer(int status, const QByteArray& body, bool closeDelimited) {
    m_mode = Mode::Answer;
    m_response = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" +
                 "Content-Type: text/plain\r\nConnection: close\r\n";
    if (!closeDelimited) m_response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    m_response += "\r\n" + body;
}

void TestHttpServer::Serve(QTcpSocket* socket) {
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto received = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
        *received += socket->readAll();
        if (!received->contains("\r\n\r\n")) return;
        ++requests;
        lastRequest = *received;
        received->clear();
        switch (m_mode) {
        case Mode::Answer:
            socket->write(m_response);
            socket->disconnectFromHost();
            break;
        case Mode::Drop:
            socket->abort();
            socket->deleteLater();
            break;
        case Mode::Silent:
            break;
        }
    });
}

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace tess::test
