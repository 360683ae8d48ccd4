#pragma once
// The shell's "open" on a Linux desktop: a file or address handed to the
// desktop's default handler (xdg-open), never through a shell.
#include <string>

namespace tess::x11 {

// What the handler is given for a text: an existing file as an absolute
// path (a relative name taken against `directory`, or the current
// directory when that is empty); else an address when the text has a
// scheme of its own ("https://...", "mailto:...", "file:...") or begins
// with "www." or "ftp." ("http://" added); else nothing (empty), as the
// shell opens nothing for a name it cannot find. The result never begins
// with '-', so the handler cannot take it for an option.
std::string ShellOpenTarget(const std::string& text, const std::string& directory);

// Starts the handler on the text's target and returns at once, leaving no
// child behind (the handler runs as an orphaned grandchild) and starting
// no thread. Failures are silent.
void ShellOpen(const std::string& text, const std::string& directory);

}  // namespace tess::x11
