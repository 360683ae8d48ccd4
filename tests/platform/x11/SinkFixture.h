#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "XTestServer.h"
#include "platform/x11/X11Sink.h"

namespace tess::x11::testing {

// A fresh Xvfb, a watching client with the focus, and the sink under test.
class SinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
        client = std::make_unique<WatchingClient>(server.name());
        ASSERT_NE(client->display(), nullptr);
        std::string error;
        sink = OpenX11Sink(server.name().c_str(), error);
        ASSERT_TRUE(sink) << error;
    }
    // Switches the server's layout, then lets the sink see the change.
    void UseLayout(const std::string& layout) {
        ASSERT_EQ(server.Run({"setxkbmap", "-layout", layout}), 0);
        sink->Flush();
    }
    void Press(uint8_t vk) { sink->keybd_event(vk, 0, 0, 0); }
    void Release(uint8_t vk) { sink->keybd_event(vk, 0, KEYEVENTF_KEYUP, 0); }
    void Stroke(uint8_t vk) {
        Press(vk);
        Release(vk);
    }

    Xvfb server;
    std::unique_ptr<WatchingClient> client;
    std::unique_ptr<X11Sink> sink;
};

}  // namespace tess::x11::testing
