#pragma once
// A stand-in for KWin in the tests: a Wayland server in a thread of its own
// that offers one output (1024x768 at 0,0) and org_kde_kwin_fake_input, and
// writes down every fake input request it receives.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct wl_display;

namespace tess::wayland::testing {

class FakeKwin {
public:
    FakeKwin();
    ~FakeKwin();
    FakeKwin(const FakeKwin&) = delete;
    FakeKwin& operator=(const FakeKwin&) = delete;
    // The socket as an absolute path, empty when the server did not start.
    const std::string& socket() const { return socket_; }
    // The requests so far, one line each: "authenticate APP", "motion X Y",
    // "button CODE STATE", "key CODE STATE".
    std::vector<std::string> Requests();
    void Record(std::string line);

private:
    wl_display* display_ = nullptr;
    std::string dir_, socket_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tess::wayland::testing
