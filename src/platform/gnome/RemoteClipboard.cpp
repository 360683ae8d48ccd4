// The remote-desktop session's side of the clipboard: following its owner,
// reading its content, owning it and answering the requests for it.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "platform/gnome/BusMessages.h"
#include "platform/gnome/RemoteDesktop.h"

namespace tess::gnome {
using namespace bus;
namespace {

constexpr uint32_t kKeyLeftCtrl = 29, kKeyV = 47;  // evdev codes

}  // namespace


bool RemoteDesktop::EnableClipboard() {
    Message call;
    Error error;
    sd_bus_message_new_method_call(bus_, &call.m, kRemoteDesktopName, session_.c_str(), kRdSession,
                                   "EnableClipboard");
    sd_bus_message_append(call.m, "a{sv}", 0);
    if (sd_bus_call(bus_, call.m, 0, &error.e, nullptr) < 0) return false;
    Process();  // the current owner's types come as a signal
    return true;
}

int RemoteDesktop::OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<RemoteDesktop*>(data);
    std::vector<std::string> types;
    int ours = 0;
    ReadDict(m, [&](const std::string& key) {
        if (key == "mime-types") {
            if (sd_bus_message_enter_container(m, 'v', "as") <= 0) return false;
            types = ReadStrings(m);
            sd_bus_message_exit_container(m);
            return true;
        }
        return key == "session-is-owner" && sd_bus_message_read(m, "v", "b", &ours) >= 0;
    });
    self->ownsClipboard_ = ours;
    self->offered_ = ours ? std::vector<std::string>{} : std::move(types);
    return 0;
}

std::vector<std::string> RemoteDesktop::OfferedTypes() {
    Process();
    return offered_;
}

std::optional<std::string> RemoteDesktop::Read(const std::string& type) {
    // Our own content would be asked of us while we wait for it.
    Process();
    if (ownsClipboard_) return std::nullopt;
    Message reply;
    Error error;
    int fd = -1;
    if (sd_bus_call_method(bus_, kRemoteDesktopName, session_.c_str(), kRdSession, "SelectionRead", &error.e,
                           &reply.m, "s", type.c_str()) < 0 ||
        sd_bus_message_read(reply.m, "h", &fd) <= 0)
        return std::nullopt;
    fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) return std::nullopt;
    std::string content;
    // The owner writes through mutter; one that stops writing is given up on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    bool complete = false;
    while (std::chrono::steady_clock::now() < deadline && content.size() <= ClipboardRoute::kMaxBytes) {
        pollfd p{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) break;
        char chunk[65536];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        content.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!complete) return std::nullopt;
    return content;
}

bool RemoteDesktop::Offer(const std::vector<std::string>& types, Provider provide) {
    Message call;
    Error error;
    sd_bus_message_new_method_call(bus_, &call.m, kRemoteDesktopName, session_.c_str(), kRdSession, "SetSelection");
    sd_bus_message_open_container(call.m, 'a', "{sv}");
    sd_bus_message_open_container(call.m, 'e', "sv");
    sd_bus_message_append(call.m, "s", "mime-types");
    sd_bus_message_open_container(call.m, 'v', "as");
    sd_bus_message_open_container(call.m, 'a', "s");
    for (const auto& t : types) sd_bus_message_append(call.m, "s", t.c_str());
    sd_bus_message_close_container(call.m);
    sd_bus_message_close_container(call.m);
    sd_bus_message_close_container(call.m);
    sd_bus_message_close_container(call.m);
    provide_ = std::move(provide);
    served_ = 0;
    if (sd_bus_call(bus_, call.m, 0, &error.e, nullptr) < 0) return false;
    return true;
}

int RemoteDesktop::OnTransfer(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<RemoteDesktop*>(data);
    const char* type = nullptr;
    uint32_t serial = 0;
    if (sd_bus_message_read(m, "su", &type, &serial) <= 0) return 0;
    std::optional<std::string> content = self->provide_ ? self->provide_(type) : std::nullopt;
    bool written = false;
    Message reply;
    Error error;
    int fd = -1;
    if (content && sd_bus_call_method(self->bus_, kRemoteDesktopName, self->session_.c_str(), kRdSession,
                                      "SelectionWrite", &error.e, &reply.m, "u", serial) >= 0 &&
        sd_bus_message_read(reply.m, "h", &fd) > 0 && (fd = fcntl(fd, F_DUPFD_CLOEXEC, 3)) >= 0) {
        const char* at = content->data();
        size_t left = content->size();
        while (left > 0) {
            const ssize_t n = ::write(fd, at, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            at += n;
            left -= static_cast<size_t>(n);
        }
        written = left == 0;
        ::close(fd);
    }
    Error doneError;
    sd_bus_call_method(self->bus_, kRemoteDesktopName, self->session_.c_str(), kRdSession, "SelectionWriteDone",
                       &doneError.e, nullptr, "ub", serial, static_cast<int>(written));
    ++self->served_;
    return 0;
}

size_t RemoteDesktop::ServeUntil(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    sd_bus_flush(bus_);
    while (served_ < count) {
        Process();
        if (served_ >= count) break;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        sd_bus_wait(bus_, static_cast<uint64_t>(left.count()));
    }
    return served_;
}

void RemoteDesktop::PressPaste() {
    if (pasteKeys_) {
        pasteKeys_();
    } else {
        Key(kKeyLeftCtrl, true);
        Key(kKeyV, true);
        Key(kKeyV, false);
        Key(kKeyLeftCtrl, false);
    }
    sd_bus_flush(bus_);
}

}  // namespace tess::gnome
