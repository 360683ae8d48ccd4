// gnome_rate: characters and pointer points per second that arrive exactly
// in a native Wayland client on a private headless mutter (the GNOME
// tests' harness and observer). 1,000 characters of the US layout typed
// as one 'Write ' line types them, and 1,000 points over both monitors.
// Each rate runs from the first event sent to the last one read from the
// client. Prints:
//   typing chars GOT of N exact yes|no seconds S rate R
//   points points GOT of N exact yes|no seconds S rate R
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Mutter.h"
#include "Sway.h"
#include "platform/DesktopSink.h"
#include "playback/ActionExecution.h"
#include "playback/HeldInput.h"

using Clock = std::chrono::steady_clock;

namespace {

void Report(const char* what, const char* unit, size_t got, size_t total, bool exact, double seconds) {
    std::printf("%s %s %zu of %zu exact %s seconds %.4f rate %.0f\n", what, unit, got, total, exact ? "yes" : "no",
                seconds, seconds > 0 ? (total - 1) / seconds : 0.0);
}

}  // namespace

int main() {
    tess::gnome::testing::Mutter mutter("us");
    if (mutter.socket().empty()) {
        std::fprintf(stderr, "gnome_rate: headless mutter did not start\n");
        return 1;
    }
    mutter.Export();
    tess::wayland::testing::Observer observer(mutter.socket(), "us");
    tess::DesktopSink desktop = tess::CreateDesktopSink(tess::DesktopChoice::Gnome);
    if (!observer.ready() || !desktop.sink) {
        std::fprintf(stderr, "gnome_rate: %s\n", desktop.sink ? "the observer did not start" : desktop.error.c_str());
        return 1;
    }
    observer.WaitFor([](const std::string& l) { return l.rfind("keymap ", 0) == 0; });
    tess::InputSink& sink = *desktop.sink;

    const std::string alphabet = "The quick brown fox jumps over the lazy dog, 0123456789! ~{}|<>?:\"@#$%^&*()_+ ";
    std::string text;
    while (text.size() < 1000) text += alphabet[text.size() % alphabet.size()];
    auto start = Clock::now();
    tess::HeldInput held;
    tess::WriteText(text, sink, held);
    sink.Flush();
    const std::string typed = observer.WaitForText(text, std::chrono::seconds(60));
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    size_t same = 0;
    while (same < typed.size() && same < text.size() && typed[same] == text[same]) ++same;
    Report("typing", "chars", same, text.size(), typed == text, seconds);

    // Points alternating between the monitors, none repeated.
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < 1000; ++i) points.emplace_back((i % 2 ? 1300 : 10) + i % 900, 10 + i / 2);
    start = Clock::now();
    for (const auto& [x, y] : points) sink.SetCursorPos(x, y);
    sink.Flush();
    size_t next = 0;
    const std::string last = "motion " + std::to_string(points.back().first) + " " + std::to_string(points.back().second);
    observer.WaitFor(
        [&](const std::string& l) {
            if (next < points.size() &&
                l == "motion " + std::to_string(points[next].first) + " " + std::to_string(points[next].second))
                ++next;
            return l == last;
        },
        std::chrono::seconds(60));
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Report("points", "points", next, points.size(), next == points.size(), seconds);
    return 0;
}
