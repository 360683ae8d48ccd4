// tessaline-record: records what the user does on the desktop until the
// stop key or a signal (Ctrl+C, SIGTERM, its terminal closed, ...), and
// writes it as a scenario file. Every end writes what was recorded.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "app/EndSignalsPosix.h"
#include "app/info/CommandInfo.h"
#include "app/record/RecordOptions.h"
#include "platform/DesktopLost.h"
#include "platform/InputRecorder.h"
#include "record/LineComposer.h"
#include "script/KeptScenario.h"
#include "script/ScenarioText.h"

namespace {

constexpr int kExitCannot = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "tessaline-record: %s\n", message.c_str());
    return kExitCannot;
}

// What the server-loss hook needs: it runs on the recorder's thread and
// ends the program once it returns.
tess::LineComposer* gComposer = nullptr;
std::mutex* gComposerMutex = nullptr;
std::string gFile;

// The user's data folder, then the runtime folder or a private one in the
// temporary folder, as the window keeps an unsaved scenario.
std::vector<tess::KeepFolder> KeepFolders() {
    std::vector<tess::KeepFolder> folders;
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && *data && data[0] == '/')
        folders.push_back({std::string(data) + "/tessaline-0003", false});
    else if (home && *home)
        folders.push_back({std::string(home) + "/.local/share/tessaline-0003", false});
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) folders.push_back({std::string(runtime) + "/tessaline-0003", true});
    std::error_code failed;
    std::string temp = std::filesystem::temp_directory_path(failed).string();
    if (failed || temp.empty()) temp = "/tmp";
    folders.push_back({temp + "/tessaline-0003-" + std::to_string(::getuid()), true});
    return folders;
}

// Writes the recording to FILE, or, when that fails, to a file of its own
// in the keep folders; returns the one line that says where it went, and
// sets `written` when the recording is safe somewhere.
std::string WriteRecording(const std::vector<std::string>& lines, const std::string& file, bool& written) {
    std::string error;
    written = tess::WriteScenarioFile(file, lines, error);
    if (written) return "the recording was written to '" + file + "'";
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string name = std::string("recording-") + stamp + "-" + std::to_string(::getpid()) + ".sf";
    std::string tried;
    const std::string kept = tess::KeepScenario(KeepFolders(), name, lines, tried);
    written = !kept.empty();
    std::string line = "cannot write '" + file + "': " + error;
    return line + (written ? "; the recording was kept in '" + kept + "'"
                           : "; the recording could not be kept either (last tried '" + tried + "')");
}

std::string KeepOnServerLoss() {
    if (!gComposer || !gComposerMutex) return {};
    std::vector<std::string> lines;
    {
        std::lock_guard lock(*gComposerMutex);
        lines = gComposer->Finish();
    }
    bool written = false;
    return "; " + WriteRecording(lines, gFile, written);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tess;
    if (const auto status = AnswerInfoOption(argc, argv, "tessaline-record", kRecordHelp)) return *status;
    RecordOptions options;
    std::string error;
    if (!ParseRecordOptions(argc, argv, options, error)) return Fail(error + " (" + kRecordUsage + ")");
    if (options.help) {
        std::fputs(kRecordHelp, stdout);
        return 0;
    }
    if (!CanWriteScenario(options.file, error)) return Fail(error);

    // The signals that end the recording are taken by this thread alone,
    // waiting for them below; the recorder's thread inherits the mask.
    // SIGUSR1 is also what the stop key's handler sends.
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : kEndSignals) {
        if (!SignalIgnoredAtStart(signal) || signal == SIGUSR1) sigaddset(&ending, signal);
    }
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    std::unique_ptr<InputRecorder> recorder = CreateInputRecorder(error);
    if (!recorder) return Fail("cannot record: " + error);

    ComposerOptions composerOptions;
    composerOptions.intervalMs = options.intervalMs;
    LineComposer composer(composerOptions);
    std::mutex composerMutex;
    const pthread_t mainThread = pthread_self();
    const bool started = recorder->Start(
        [&](const InputEvent& event) {
            std::lock_guard lock(composerMutex);
            composer.Add(event);
        },
        [mainThread] { pthread_kill(mainThread, SIGUSR1); }, error);
    if (!started) return Fail("cannot record: " + error);
    gFile = options.file;
    gComposerMutex = &composerMutex;
    gComposer = &composer;
    DesktopLostHookSlot() = KeepOnServerLoss;
    std::fprintf(stderr, "tessaline-record: recording; press Pause or Ctrl+Alt+Q (or Ctrl+C) to stop\n");
    if (const std::string warning = recorder->Warning(); !warning.empty())
        std::fprintf(stderr, "tessaline-record: %s\n", warning.c_str());

    int received = 0;
    while (sigwait(&ending, &received) != 0) {
    }
    recorder->Stop();
    DesktopLostHookSlot() = nullptr;
    std::vector<std::string> lines;
    {
        std::lock_guard lock(composerMutex);
        lines = composer.Finish();
    }
    bool written = false;
    const std::string where = WriteRecording(lines, options.file, written);
    if (written && where.starts_with("the recording was written")) return 0;
    std::fprintf(stderr, "tessaline-record: %s\n", where.c_str());
    return 1;
}
