#pragma once
// A private headless GNOME compositor for the tests: mutter with two
// virtual monitors (1280x800 at 0,0 and 1024x768 right of it), PipeWire and
// WirePlumber, on a D-Bus session bus of its own, all as user nobody when
// the tests run as root. The same bus stands in for the system bus, where
// a stand-in locale service tells mutter its keyboard layout.
#include <sys/types.h>

#include <string>

namespace tess::gnome::testing {

class Mutter {
public:
    // mutter reads the layout once, at start.
    explicit Mutter(const std::string& layout);
    ~Mutter();
    Mutter(const Mutter&) = delete;
    Mutter& operator=(const Mutter&) = delete;

    // Empty when the compositor did not come up.
    const std::string& busAddress() const { return bus_; }
    const std::string& socket() const { return socket_; }
    // Sets DBUS_SESSION_BUS_ADDRESS and WAYLAND_DISPLAY for this process.
    void Export() const;
    // Ends PipeWire and WirePlumber.
    void StopPipeWire();
    // Ends the compositor (and with it the bus).
    void Stop();

private:
    pid_t PidOf(const std::string& name) const;

    pid_t session_ = -1;
    std::string dir_, bus_, socket_;
};

}  // namespace tess::gnome::testing
