#include "platform/win/WinStopKey.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>

namespace tess::win {

namespace {

constexpr wchar_t kClassName[] = L"TessalineStopKey";
constexpr UINT kHeldModifiers[] = {MOD_SHIFT, MOD_CONTROL, MOD_ALT, MOD_WIN};

}  // namespace

WinStopKey::WinStopKey(WinSink* sink) : sink_(sink) {
    keys_.push_back(Key{"Pause", VK_PAUSE, 0});
    keys_.push_back(Key{"Ctrl+Alt+Q", 'Q', MOD_CONTROL | MOD_ALT});
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OnMessage;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);  // fails harmlessly when registered already
    window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window_) ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (sink_) sink_->SetKeyPressGuard(this);
}

WinStopKey::~WinStopKey() {
    if (sink_) sink_->SetKeyPressGuard(nullptr);
    Disarm();
    if (window_) ::DestroyWindow(window_);
}

std::vector<std::pair<int, UINT>> WinStopKey::HotKeys(std::size_t index) const {
    // Ids: 16 per key, one for each combination of the held modifiers.
    std::vector<std::pair<int, UINT>> all;
    const UINT base = keys_[index].modifiers;
    for (unsigned pick = 0; pick < 16; ++pick) {
        UINT extra = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            if (pick & (1u << bit)) extra |= kHeldModifiers[bit];
        }
        if (extra & base) continue;  // the same as a combination without it
        all.emplace_back(static_cast<int>(1 + index * 16 + pick), base | extra | MOD_NOREPEAT);
    }
    return all;
}

void WinStopKey::Register(std::size_t index) {
    Key& key = keys_[index];
    bool first = true;
    for (const auto& [id, modifiers] : HotKeys(index)) {
        if (std::find(registered_.begin(), registered_.end(), id) != registered_.end()) continue;
        if (window_ && ::RegisterHotKey(window_, id, modifiers, key.vk)) {
            registered_.push_back(id);
        } else if (first && !key.reported) {
            // Only the key on its own is reported: taking it under held
            // modifiers is a courtesy, and the system reserves some of those.
            key.reported = true;
            notices_.push_back(key.name + " does not stop playback here: another program holds that key");
        }
        first = false;
    }
}

void WinStopKey::Unregister(std::size_t index) {
    for (const auto& hotKey : HotKeys(index)) {
        const auto held = std::find(registered_.begin(), registered_.end(), hotKey.first);
        if (held == registered_.end()) continue;
        ::UnregisterHotKey(window_, hotKey.first);
        registered_.erase(held);
    }
}

void WinStopKey::Arm() {
    if (armed_) return;
    armed_ = true;
    pressed_ = false;
    for (std::size_t i = 0; i < keys_.size(); ++i) Register(i);
}

void WinStopKey::Disarm() {
    if (!armed_) return;
    armed_ = false;
    for (std::size_t i = 0; i < keys_.size(); ++i) Unregister(i);
    // A press that came before the keys were given back ends nothing now.
    MSG message;
    while (window_ && ::PeekMessageW(&message, window_, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
    pressed_ = false;
}

bool WinStopKey::TakePress() {
    MSG message;
    while (window_ && ::PeekMessageW(&message, window_, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
    return std::exchange(pressed_, false) && armed_;
}

std::vector<std::string> WinStopKey::TakeNotices() { return std::exchange(notices_, {}); }

LRESULT CALLBACK WinStopKey::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) {
        auto* self = reinterpret_cast<WinStopKey*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->armed_) self->pressed_ = true;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool WinStopKey::Guards(uint8_t vk) const {
    return std::any_of(keys_.begin(), keys_.end(), [vk](const Key& key) { return key.vk == vk; });
}

void WinStopKey::BeforeOwnPress(uint8_t vk) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].vk == vk) Unregister(i);
    }
}

void WinStopKey::AfterOwnPress(uint8_t vk, bool release) {
    if (!armed_) return;
    // SendInput has the event handled before it returns; the key's state
    // confirms it, with a bound for an event that a hook swallowed.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (((::GetAsyncKeyState(vk) & 0x8000) != 0) == release && std::chrono::steady_clock::now() < limit)
        ::Sleep(0);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].vk == vk) Register(i);
    }
}

}  // namespace tess::win

namespace tess {

std::unique_ptr<StopKey> CreateStopKey(InputSink& sink, std::string& notice) {
    notice.clear();
    auto key = std::make_unique<win::WinStopKey>(dynamic_cast<win::WinSink*>(&sink));
    if (key->Ready()) return key;
    notice = "Pause and Ctrl+Alt+Q do not stop playback here: no window for hot keys (error " +
             std::to_string(::GetLastError()) + ")";
    return std::make_unique<NoStopKey>();
}

}  // namespace tess
