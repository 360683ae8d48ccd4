#pragma once
// A private headless KWin (kwin_wayland --virtual) for the tests, on a
// session bus of its own, trusting the programs given with their fake
// input as their installed desktop files would.
#include <sys/types.h>

#include <string>
#include <vector>

namespace tess::wayland::testing {

class Kwin {
public:
    // `trusted`: absolute paths of the programs KWin lets use fake input.
    explicit Kwin(const std::vector<std::string>& trusted);
    ~Kwin();
    Kwin(const Kwin&) = delete;
    Kwin& operator=(const Kwin&) = delete;
    // Whether kwin_wayland is installed at all.
    static bool Installed();
    // Empty when KWin could not be started.
    const std::string& socket() const { return socket_; }
    // What a client of this KWin needs in its environment.
    std::vector<std::string> Environment() const;

private:
    pid_t bus_ = -1;
    pid_t kwin_ = -1;
    std::string dir_;
    std::string socket_;
};

}  // namespace tess::wayland::testing
