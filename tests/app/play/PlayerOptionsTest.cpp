#include <gtest/gtest.h>

#include <vector>

#include "app/play/PlayerOptions.h"

namespace tess {
namespace {

bool Parse(std::vector<const char*> args, PlayerOptions& options, std::string& error) {
    args.insert(args.begin(), "tessaline-play");
    return ParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(PlayerOptions, ReadsEveryOption) {
    PlayerOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--dry-run", "--repeat", "--halt-on-error", "--start", "3", "--max-ticks=10",
                       "--clock", "23:59:59.999", "--desktop", "wayland", "a.sf"},
                      o, error))
        << error;
    EXPECT_TRUE(o.dryRun && o.repeat && o.haltOnError);
    EXPECT_EQ(o.start, 3);
    EXPECT_EQ(o.maxTicks, 10u);
    EXPECT_EQ(o.clockMs, 86399999u);
    EXPECT_EQ(o.file, "a.sf");
    EXPECT_EQ(o.desktop, DesktopChoice::Wayland);

    PlayerOptions chosen;
    ASSERT_TRUE(Parse({"--desktop=x11", "a.sf"}, chosen, error));
    EXPECT_EQ(chosen.desktop, DesktopChoice::X11);
    ASSERT_TRUE(Parse({"a.sf"}, chosen = {}, error));
    EXPECT_EQ(chosen.desktop, DesktopChoice::Auto);

    PlayerOptions dashed;
    ASSERT_TRUE(Parse({"--", "--dry-run"}, dashed, error));
    EXPECT_EQ(dashed.file, "--dry-run");
    EXPECT_FALSE(dashed.dryRun);
}

TEST(PlayerOptions, RejectsBadUsage) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--dry-run"},
        {"a.sf", "b.sf"},
        {"--bogus", "a.sf"},
        {"--release-all", "a.sf"},
        {"--start", "0", "a.sf"},
        {"--start", "-1", "a.sf"},
        {"--start", "x", "a.sf"},
        {"--start", "99999999999", "a.sf"},
        {"--max-ticks", "-5", "a.sf"},
        {"--max-ticks"},
        {"--clock", "24:00:00.000", "a.sf"},
        {"--clock", "12:60:00.000", "a.sf"},
        {"--clock", "1:00:00.000", "a.sf"},
        {"--clock", "01:00:00", "a.sf"},
        {"--dry-run=yes", "a.sf"},
        {"--desktop", "mir", "a.sf"},
        {"--desktop=", "a.sf"},
        {"--desktop"},
    };
    for (const auto& args : bad) {
        PlayerOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(PlayerOptions, ClockReading) {
    EXPECT_EQ(ParseClock("00:00:01.000"), 1000u);
    EXPECT_EQ(ParseClock("01:02:03.004"), 3723004u);
    EXPECT_FALSE(ParseClock("00:00:60.000"));
    EXPECT_FALSE(ParseClock("+0:00:00.000"));
}

}  // namespace
}  // namespace tess
