#pragma once
// --help and --version, which every command of the program answers the same
// way: the text on standard output and exit status 0, whatever else the
// command line holds.
#include <optional>

namespace tess {

// Looks through the arguments (up to a "--") for --help, -h or --version.
// When one is there, prints the help text or "PROGRAM (Tessaline 0003)
// VERSION" and returns the exit status; otherwise nothing.
std::optional<int> AnswerInfoOption(int argc, const char* const* argv, const char* program,
                                    const char* help);

}  // namespace tess
