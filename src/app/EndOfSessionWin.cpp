// The window's end on Windows: the console's control events (when the
// program was started from a console: Ctrl+C, Ctrl+Break, closing it,
// logoff, shutdown) and the session's end as the window's messages
// WM_QUERYENDSESSION and WM_ENDSESSION. Numbered as the player numbers
// them: Ctrl+C 2, Ctrl+Break 21, the rest 15.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

#include "app/EndOfSession.h"

#include <windows.h>

namespace tess {
namespace {

constexpr int kInterrupt = 2;
constexpr int kBreak = 21;
constexpr int kTerminate = 15;
// Windows ends a program this long after its console closed; the
// handler waits at most this long for the end to be done.
constexpr DWORD kConsoleWaitMs = 4000;

struct Watch {
    QPointer<QObject> context;
    std::function<void(int)> end;
    std::atomic<bool> ended{false};
    HANDLE done = nullptr;  // set once `end` returned

    // In the context's thread.
    void End(int number) {
        if (ended.exchange(true)) return;
        end(number);
        ::SetEvent(done);
    }
};

Watch* gWatch = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    Watch* watch = gWatch;
    if (!watch || !watch->context) return FALSE;
    const int number = event == CTRL_C_EVENT ? kInterrupt
                       : event == CTRL_BREAK_EVENT ? kBreak
                                                   : kTerminate;
    QMetaObject::invokeMethod(watch->context.data(), [watch, number] { watch->End(number); },
                              Qt::QueuedConnection);
    // After closing, logoff and shutdown the process ends once this
    // returns: wait for the scenario to be kept and the input released.
    if (number == kTerminate) ::WaitForSingleObject(watch->done, kConsoleWaitMs);
    return TRUE;
}

// The session's end reaches every top-level window; the first
// WM_ENDSESSION that says the session really ends does the end, right
// there, since the process may be gone as soon as the message returns.
class SessionEndFilter final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG" || !gWatch) return false;
        const MSG* msg = static_cast<const MSG*>(message);
        // (Messages taken from the queue come without a result.)
        if (msg->message == WM_QUERYENDSESSION) {
            if (result) *result = TRUE;  // never holds the session up
            return true;
        }
        if (msg->message == WM_ENDSESSION) {
            if (msg->wParam) gWatch->End(kTerminate);
            if (result) *result = 0;
            return true;
        }
        return false;
    }
};

}  // namespace

void InstallEndOfSession() {
    // Harmless without a console: the handler is then never called.
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WatchEndOfSession(QObject& context, std::function<void(int number)> end) {
    // Each watch lives until the process ends (the console handler may be
    // reading the one before); a later call takes over.
    auto* watch = new Watch;
    watch->context = &context;
    watch->end = std::move(end);
    watch->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gWatch = watch;
    static SessionEndFilter filter;
    if (auto* app = QCoreApplication::instance()) app->installNativeEventFilter(&filter);
}

// Every Windows session has its desktop.
bool DisplayAvailable(std::string&) { return true; }

QString EndCauseText(int number) {
    switch (number) {
    case kInterrupt: return QStringLiteral("Ctrl+C");
    case kBreak: return QStringLiteral("Ctrl+Break");
    default: return QStringLiteral("console closed, logoff or shutdown");
    }
}

}  // namespace tess
