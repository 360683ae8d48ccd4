#pragma once
// The shell's "open" on a Linux desktop: a file or address handed to the
// desktop's default handler (xdg-open), never through a shell.
#include <string>

namespace tess::xdg {

// What the handler is given for a text: an existing file as an absolute
// path (a relative name taken against `directory`, or the current
// directory when that is empty); otherwise an address, "http://" added
// when it names no scheme of its own. Empty for an empty or blank text.
// The result never begins with '-', so the handler cannot take it for an
// option.
std::string ShellOpenTarget(const std::string& text, const std::string& directory);

// Starts the handler on the text's target and returns at once; the
// handler is reaped in the background. Failures are silent.
void ShellOpen(const std::string& text, const std::string& directory);

}  // namespace tess::xdg
