// tessaline-play: plays a scenario file without the window, on the desktop
// or, with --dry-run, as a listing of what it would do.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/info/CommandInfo.h"
#include "app/play/Arguments.h"
#include "app/play/DryRunOutput.h"
#include "app/play/Player.h"
#include "app/play/PlayerOptions.h"
#include "app/play/ReleaseAll.h"
#include "app/play/StopSignals.h"
#include "platform/DesktopSink.h"
#include "platform/StopKey.h"
#include "script/RangeValue.h"
#include "script/ScenarioText.h"

namespace {

constexpr int kExitBadUsage = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "tessaline-play: %s\n", message.c_str());
    return kExitBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tess;
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<const char*> args;
    for (const std::string& argument : arguments) args.push_back(argument.c_str());
    if (const auto status = AnswerInfoOption(static_cast<int>(args.size()), args.data(), "tessaline-play",
                                             kPlayerHelp))
        return *status;
    PlayerOptions options;
    std::string error;
    if (!ParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error))
        return Fail(error + " (" + kPlayerUsage + ")");
    if (options.help) {
        std::fputs(kPlayerHelp, stdout);
        return 0;
    }
    if (options.releaseAll) {
        DesktopSink opened = CreateDesktopSink(options.desktop);
        if (!opened.sink) return Fail("cannot reach the desktop: " + opened.error);
        ReleaseEverything(*opened.sink);
        return 0;
    }

    std::vector<std::string> lines;
    if (!ReadScenarioFile(options.file, lines, error)) return Fail(error);
    const auto lineCount = static_cast<int64_t>(lines.size());
    if (options.start > 1 && options.start > lineCount) {
        return Fail(options.file + ": --start " + std::to_string(options.start) + " is past the last line (" +
                    std::to_string(lineCount) + " lines)");
    }

    std::unique_ptr<DryRunOutput> dryRun;
    std::unique_ptr<InputSink> desktop;
    std::unique_ptr<StopKey> stopKey;
    InputSink* sink = nullptr;
    if (options.dryRun) {
        dryRun = std::make_unique<DryRunOutput>(&StopSignals::WriteOutput);
        sink = dryRun.get();
    } else {
        DesktopSink opened = CreateDesktopSink(options.desktop);
        if (!opened.sink) return Fail("cannot reach the desktop: " + opened.error);
        if (!opened.notice.empty()) std::fprintf(stderr, "tessaline-play: %s\n", opened.notice.c_str());
        desktop = std::move(opened.sink);
        sink = desktop.get();
        // Pause or Ctrl+Alt+Q, pressed anywhere, ends playback with status 0.
        std::string notice;
        stopKey = CreateStopKey(*desktop, notice);
        if (!notice.empty()) std::fprintf(stderr, "tessaline-play: %s\n", notice.c_str());
    }

    RangeGenerator fixedClock([ms = options.clockMs.value_or(0)] { return ms; });
    RangeGenerator& random = options.clockMs ? fixedClock : DefaultRangeGenerator();

    StopSignals::Install();
    Player player(std::move(lines), *sink, random);
    player.Host().stepOverErrors = !options.haltOnError;
    player.Host().repeat = options.repeat;
    player.SetStopKey(stopKey.get(), [](const std::string& line) {
        std::fprintf(stderr, "tessaline-play: %s\n", line.c_str());
    });
    if (dryRun) {
        dryRun->SetEngine(&player.Engine());
        player.Engine().SetListener(dryRun.get());
    }

    PlaySettings settings;
    settings.paced = !options.dryRun;
    settings.maxTicks = options.maxTicks;
    const PlayOutcome outcome = player.Play(options.start, settings);

    if (dryRun) dryRun->Finish();
    // A stop request decides the status, whatever became of the listing.
    if (StopSignals::Received() != 0) return 128 + StopSignals::Received();
    if (dryRun && !dryRun->Good()) {
        std::fprintf(stderr, "tessaline-play: the listing could not be written\n");
        return 1;
    }
    switch (outcome) {
    case PlayOutcome::ErrorHalt:
        return 1;
    default:
        return 0;
    }
}
