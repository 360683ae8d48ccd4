#include "platform/x11/X11Recorder.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/record.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/x11/ErrorTrap.h"
#include "platform/x11/PrimaryMonitor.h"

namespace tess::x11 {
namespace {

// Categories of the recorded stream's replies.
constexpr uint8_t kFromServer = 0;
constexpr uint8_t kFromClient = 1;
constexpr uint8_t kStartOfData = 4;
constexpr uint8_t kEndOfData = 5;
constexpr uint8_t kChangeKeyboardMapping = 100;
constexpr uint8_t kXkbSetMap = 9;  // the XKB extension's own keymap change

uint16_t Get16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
uint32_t Get32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

unsigned ModifiersOf(uint16_t state) {
    unsigned mods = 0;
    if (state & ShiftMask) mods |= kModShift;
    if (state & ControlMask) mods |= kModCtrl;
    if (state & Mod1Mask) mods |= kModAlt;
    if (state & Mod4Mask) mods |= kModWin;
    return mods;
}

}  // namespace

X11Recorder::X11Recorder(Display* control, xcb_connection_t* data)
    : control_(control), controlXcb_(XGetXCBConnection(control)), data_(data), root_(DefaultRootWindow(control)) {}

X11Recorder::~X11Recorder() {
    Stop();
    xcb_disconnect(data_);
    XCloseDisplay(control_);
}

std::unique_ptr<X11Recorder> X11Recorder::Open(const char* displayName, std::string& error) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland) {
        error = "cannot record on Wayland: it lets no program watch the whole desktop's input";
        return nullptr;
    }
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "there is no X display to record (DISPLAY is not set)";
        return nullptr;
    }
    Display* control = XOpenDisplay(name);
    if (!control) {
        error = std::string("no X server answers at display \"") + name + "\"";
        return nullptr;
    }
    // A server that goes away ends the program at once through the
    // program's hook, which keeps what was recorded.
    HandleServerLoss();
    xcb_connection_t* data = xcb_connect(name, nullptr);
    const xcb_query_extension_reply_t* record =
        xcb_connection_has_error(data) ? nullptr : xcb_get_extension_data(data, &xcb_record_id);
    if (!record || !record->present) {
        xcb_disconnect(data);
        XCloseDisplay(control);
        error = std::string("the X server at \"") + name + "\" lacks the RECORD extension";
        return nullptr;
    }
    free(xcb_record_query_version_reply(data, xcb_record_query_version(data, 1, 13), nullptr));
    return std::unique_ptr<X11Recorder>(new X11Recorder(control, data));
}

bool X11Recorder::Start(EventHandler onEvent, StopHandler onStopKey, std::string& error) {
    if (started_) return true;
    if (!keys_.Load(controlXcb_, error)) return false;
    int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(control_, &opcode, &eventBase, &errorBase, &major, &minor)) {
        xkbEventType_ = eventBase + XkbEventCode;
        xkbOpcode_ = opcode;
        XkbSelectEvents(control_, XkbUseCoreKbd, XkbNewKeyboardNotifyMask, XkbNewKeyboardNotifyMask);
    }
    int rrEvent = 0, rrError = 0, rrMajor = 0, rrMinor = 0;
    const bool randr = XRRQueryExtension(control_, &rrEvent, &rrError) && XRRQueryVersion(control_, &rrMajor, &rrMinor);
    origin_ = PrimaryMonitorOrigin(control_, root_, randr ? rrMajor * 100 + rrMinor : 0);
    onEvent_ = std::move(onEvent);
    onStop_ = std::move(onStopKey);
    stopKeyDown_ = 0;
    stopReported_ = false;
    GrabStopKeys();

    context_ = xcb_generate_id(controlXcb_);
    xcb_record_range_t range{};
    range.device_events.first = XCB_KEY_PRESS;
    range.device_events.last = XCB_MOTION_NOTIFY;
    range.core_requests.first = kChangeKeyboardMapping;
    range.core_requests.last = kChangeKeyboardMapping;
    if (xkbOpcode_ > 0) {
        range.ext_requests.major.first = range.ext_requests.major.last = static_cast<uint8_t>(xkbOpcode_);
        range.ext_requests.minor.first = range.ext_requests.minor.last = kXkbSetMap;
    }
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_ALL_CLIENTS;
    xcb_generic_error_t* failure = xcb_request_check(
        controlXcb_, xcb_record_create_context_checked(controlXcb_, context_, 0, 1, 1, &clients, &range));
    if (failure || pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        free(failure);
        UngrabStopKeys();
        error = "the X server refused to record";
        return false;
    }
    // The first reply says that recording has begun: whatever happens
    // after Start returns is in the stream.
    const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(data_, context_);
    enableSequence_ = cookie.sequence;
    auto* first = xcb_record_enable_context_reply(data_, cookie, nullptr);
    const bool begun = first && first->category == kStartOfData;
    free(first);
    if (!begun) {
        xcb_record_free_context(controlXcb_, context_);
        UngrabStopKeys();
        ::close(wake_[0]);
        ::close(wake_[1]);
        error = "the X server did not start recording";
        return false;
    }
    RefreshIgnoredAreas();
    started_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void X11Recorder::Stop() {
    if (!started_) return;
    [[maybe_unused]] ssize_t n = ::write(wake_[1], "x", 1);
    thread_.join();
    UngrabStopKeys();
    xcb_record_free_context(controlXcb_, context_);
    XSync(control_, False);
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;
    started_ = false;
}

void X11Recorder::RoundTrip() {
    // The server hands recorded events over in batches; a request from
    // another client makes it flush them. No reply is needed for that.
    XNoOp(control_);
    XFlush(control_);
    const auto now = std::chrono::steady_clock::now();
    if (areasStale_.exchange(false) || now - areasRead_ >= std::chrono::milliseconds(100)) {
        bool any = false;
        {
            std::lock_guard lock(ignoredMutex_);
            any = !ignored_.empty();
        }
        if (any || !ignoredAreas_.empty()) RefreshIgnoredAreas();
        areasRead_ = now;
    }
    while (XPending(control_)) {
        XEvent event;
        XNextEvent(control_, &event);
        if (event.type == xkbEventType_ && reinterpret_cast<XkbAnyEvent&>(event).xkb_type == XkbNewKeyboardNotify) {
            std::string error;
            keys_.Load(controlXcb_, error);
        }
    }
}

void X11Recorder::Run() {
    using Clock = std::chrono::steady_clock;
    constexpr auto kFlushEvery = std::chrono::milliseconds(10);
    pollfd fds[2] = {{xcb_get_file_descriptor(data_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
    bool disabling = false;
    Clock::time_point deadline{};
    Clock::time_point nextFlush = Clock::now() + kFlushEvery;
    while (ReadData()) {
        const auto now = Clock::now();
        if (disabling && now > deadline) break;
        if (!disabling && now >= nextFlush) {
            RoundTrip();
            nextFlush = now + kFlushEvery;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextFlush - now).count();
        ::poll(fds, 2, disabling ? 50 : static_cast<int>(std::max<int64_t>(wait, 0) + 1));
        if (!disabling && (fds[1].revents & POLLIN)) {
            disabling = true;
            deadline = Clock::now() + std::chrono::seconds(1);
            xcb_record_disable_context(controlXcb_, context_);
            xcb_flush(controlXcb_);
        }
    }
    if (!disabling) {
        // The recording connection broke without a Stop: when the server
        // is gone, the round trip on the other connection runs the
        // server-loss handler, which does not return. Otherwise the
        // recording ends as at the stop key.
        XSync(control_, False);
        if (onStop_) onStop_();
    }
}

bool X11Recorder::ReadData() {
    for (;;) {
        void* raw = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(data_, enableSequence_, &raw, &error)) return !xcb_connection_has_error(data_);
        if (error || !raw) {
            free(error);
            return false;
        }
        auto* reply = static_cast<xcb_record_enable_context_reply_t*>(raw);
        const uint8_t* data = xcb_record_enable_context_data(reply);
        const size_t length = static_cast<size_t>(xcb_record_enable_context_data_length(reply));
        const uint8_t category = reply->category;
        if (category == kFromServer) {
            for (size_t at = 0; at + 32 <= length; at += 32) HandleEvent(data + at);
        } else if (category == kFromClient) {
            size_t at = 0;
            while (at + 4 <= length) {
                size_t size = size_t{Get16(data + at + 2)} * 4;
                if (size == 0 && at + 8 <= length) size = size_t{Get32(data + at + 4)} * 4;  // big request
                if (size < 4 || at + size > length) break;
                HandleRequest(data + at, size, reply->client_swapped);
                at += size;
            }
        }
        free(raw);
        if (category == kEndOfData) return false;
    }
}

void X11Recorder::HandleRequest(const uint8_t* wire, size_t length, bool swapped) {
    if (xkbOpcode_ > 0 && wire[0] == xkbOpcode_ && wire[1] == kXkbSetMap) {
        // A keymap change through XKB (the desktop sink borrows keycodes
        // so). The server has carried it out by the time its record
        // arrives, and nobody changes it back before clients had time to
        // read it: the keymap read now is the one the next keys go by.
        std::string error;
        keys_.Load(controlXcb_, error);
        return;
    }
    if (wire[0] != kChangeKeyboardMapping || swapped || length < 8) return;
    const int count = wire[1];
    const uint8_t first = wire[4];
    const int perKeycode = wire[5];
    if (perKeycode == 0 || 8 + size_t(count) * perKeycode * 4 > length) return;
    std::vector<uint32_t> keysyms(size_t(count) * perKeycode);
    std::memcpy(keysyms.data(), wire + 8, keysyms.size() * 4);
    keys_.ChangeMapping(first, perKeycode, count, keysyms.data());
}

void X11Recorder::HandleEvent(const uint8_t* wire) {
    const uint8_t type = wire[0] & 0x7F;
    const uint8_t detail = wire[1];
    const uint16_t state = Get16(wire + 28);
    if (stopReported_) return;
    if (stopKeyDown_) {
        // Nothing after the stop key belongs to the recording; its release
        // ends it (the grab keeps the release from the focused program).
        if (type == XCB_KEY_RELEASE && detail == stopKeyDown_) {
            stopReported_ = true;
            if (onStop_) onStop_();
        }
        return;
    }
    if (type == XCB_KEY_PRESS && IsStopKey(detail, state)) {
        stopKeyDown_ = detail;
        return;
    }
    const int rootX = static_cast<int16_t>(Get16(wire + 20));
    const int rootY = static_cast<int16_t>(Get16(wire + 22));
    // Presses in this program's own windows are left out; the composer
    // leaves out releases whose press it never saw.
    if (type == XCB_BUTTON_PRESS) {
        if (areasStale_.exchange(false)) RefreshIgnoredAreas();
        if (InIgnoredWindow(rootX, rootY)) return;
    }
    if (type == XCB_KEY_PRESS && FocusInIgnoredWindow()) return;
    InputEvent event;
    event.time = Get32(wire + 4);
    event.point = ScreenPoint{rootX - origin_.x, rootY - origin_.y};
    event.modifiers = ModifiersOf(state);
    switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        event.kind = type == XCB_KEY_PRESS ? InputEventKind::KeyDown : InputEventKind::KeyUp;
        const TranslatedKey key = keys_.Translate(detail, state);
        event.vk = key.vk;
        event.ch = key.ch;
        break;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
        event.kind = type == XCB_BUTTON_PRESS ? InputEventKind::ButtonDown : InputEventKind::ButtonUp;
        event.button = detail;
        break;
    case XCB_MOTION_NOTIFY:
        event.kind = InputEventKind::Motion;
        break;
    default:
        return;
    }
    if (onEvent_) onEvent_(event);
}

}  // namespace tess::x11

namespace tess {

std::unique_ptr<InputRecorder> CreateInputRecorder(std::string& error) {
    return x11::X11Recorder::Open(nullptr, error);
}

}  // namespace tess
