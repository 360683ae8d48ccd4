#pragma once
// Shared pieces of the about box tests: the application object, a temporary
// working directory (the notice file lands there), a sink that records shell
// requests, a hand-driven frame timer and a tiny HTTP server on 127.0.0.1.
#include <QApplication>
#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "about/FrameTimer.h"
#include "platform/InputSink.h"

namespace tess::test {

struct ShellCall {
    const void* owner;
    std::string operation, file, parameters, directory;
    int showMode;
};

class ShellRecorder : public InputSink {
public:
    void SetCursorPos(int32_t, int32_t) override {}
    ScreenPoint GetCursorPos() override { return {}; }
    void mouse_event(uint32_t, int32_t, int32_t, uint32_t, uintptr_t) override {}
    void keybd_event(uint8_t, uint8_t, uint32_t, uintptr_t) override {}
    int16_t VkKeyScanA(char32_t) override { return -1; }
    void ShellExecuteA(const void* owner, const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory,
                       int showMode) override {
        calls.push_back({owner, operation, file, parameters, directory, showMode});
    }
    void SendUnicodeChar(char32_t) override {}

    std::vector<ShellCall> calls;
};

// A countdown that runs only when the test fires it.
class ManualTimer : public FrameTimer {
public:
    void Start(int ms) override {
        active = true;
        started.push_back(ms);
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    void Fire() {
        active = false;
        OnTimeout();
    }

    bool active = false;
    std::vector<int> started;
};

// Answers every request on its own connection, the way the current mode says.
class TestHttpServer {
public:
    enum class Mode { Answer, Drop, Silent };

    TestHttpServer();
    QString Base() const;
    // A complete answer with the given status, a Content-Length unless
    // `closeDelimited`, and the connection closed after it.
    void Answer(int status, const QByteArray& body, bool closeDelimited = false);
    void AnswerRaw(const QByteArray& response) {
        mode_ = Mode::Answer;
        response_ = response;
    }
    void SetMode(Mode mode) { mode_ = mode; }

    int requests = 0;
    QByteArray lastRequest;

private:
    void Serve(QTcpSocket* socket);

    QTcpServer server_;
    Mode mode_ = Mode::Answer;
    QByteArray response_;
};

// Reads a whole file of the working directory; empty when it is missing.
QByteArray ReadFile(const QString& name);
bool WriteFile(const QString& name, const QByteArray& bytes);

}  // namespace tess::test
