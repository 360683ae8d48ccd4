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
        app_ = std::make_unique<QApplication>(argc, argv);
        dir_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir_->isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_->path()));
    }
    void TearDown() override {
        QDir::setCurrent(previous_);
        dir_.reset();
        app_.reset();
    }

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString previous_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

TestHttpServer::TestHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) Serve(socket);
    });
}

QString TestHttpServer::Base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void TestHttpServer::Answer(int status, const QByteArray& body, bool closeDelimited) {
    mode_ = Mode::Answer;
    response_ = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" +
                 "Content-Type: text/plain\r\nConnection: close\r\n";
    if (!closeDelimited) response_ += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response_ += "\r\n" + body;
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
        switch (mode_) {
        case Mode::Answer:
            socket->write(response_);
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
