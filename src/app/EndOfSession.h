#pragma once
// How the desktop ends the window program from outside: on POSIX systems
// the end signals, on Windows the console's control events and the end of
// the user's session (logoff, shutdown). Each end is told by a number in
// the signal numbering (2 interrupt, 15 terminate, ...), and the program
// then exits with 128 + that number, after keeping an unsaved scenario and
// releasing held input, without prompts. One implementation per system,
// chosen in CMake.
#include <QString>
#include <functional>
#include <string>

class QObject;

namespace tess {

// Prepares the handlers; called once, before the application object
// exists, so that an end arriving during start-up is not lost.
void InstallEndOfSession();

// From here on `end` runs in the event loop of `context`'s thread, once,
// for the first end that arrives. What runs at that moment (a save, say)
// completes first. On Windows `end` returns before the session may end;
// the process should exit soon after.
void WatchEndOfSession(QObject& context, std::function<void(int number)> end);

// Whether there is a display to open the window on; false with the
// reason when not. Checked before Qt starts, which would otherwise abort
// with a message about platform plugins.
bool DisplayAvailable(std::string& why);

// The cause in words for the report line, "Terminated" say.
QString EndCauseText(int number);

}  // namespace tess
