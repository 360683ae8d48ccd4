// tessaline-record: records what the user does on the desktop until the
// stop key, Ctrl+C or SIGTERM, and writes it as a scenario file.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "app/info/CommandInfo.h"
#include "app/record/RecordOptions.h"
#include "platform/InputRecorder.h"
#include "record/LineComposer.h"
#include "script/ScenarioText.h"

namespace {

constexpr int kExitCannot = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "tessaline-record: %s\n", message.c_str());
    return kExitCannot;
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
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGUSR1);  // sent by the stop key's handler
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
    std::fprintf(stderr, "tessaline-record: recording; press Pause or Ctrl+Alt+Q (or Ctrl+C) to stop\n");
    if (const std::string warning = recorder->Warning(); !warning.empty())
        std::fprintf(stderr, "tessaline-record: %s\n", warning.c_str());

    int received = 0;
    while (sigwait(&ending, &received) != 0) {
    }
    recorder->Stop();
    std::vector<std::string> lines;
    {
        std::lock_guard lock(composerMutex);
        lines = composer.Finish();
    }
    if (!WriteScenarioFile(options.file, lines, error)) return Fail(error);
    return 0;
}
