// The window's end signals: the handler only writes the signal's number
// into a pipe, which the event loop reads.
#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/EndOfSession.h"
#include "app/EndSignalsPosix.h"

#include <fcntl.h>
#include <unistd.h>

namespace tess {
namespace {

int gSignalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

}  // namespace

void InstallEndOfSession() {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // Every signal the player takes as an end (app/EndSignalsPosix.h); one
    // ignored when the program started (as under nohup) stays ignored.
    for (int signal : kEndSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : kEndSignals) {
        if (!SignalIgnoredAtStart(signal)) ::sigaction(signal, &action, nullptr);
    }
}

void WatchEndOfSession(QObject& context, std::function<void(int number)> end) {
    if (gSignalPipe[0] < 0) return;
    // Owned by the context.
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &context);
    QObject::connect(notifier, &QSocketNotifier::activated, &context,
                     [notifier, end = std::move(end)] {
                         unsigned char signal = 0;
                         if (::read(gSignalPipe[0], &signal, 1) != 1) return;
                         notifier->setEnabled(false);
                         end(signal);
                     });
}

bool DisplayAvailable(std::string& why) {
    // An explicitly chosen platform plugin (offscreen, say) needs no display.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    why = "no display to open a window on (DISPLAY is not set)";
    return false;
}

QString EndCauseText(int number) { return QString::fromLocal8Bit(::strsignal(number)); }

}  // namespace tess
