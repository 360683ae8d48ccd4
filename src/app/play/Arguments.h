#pragma once
// The program's arguments as UTF-8, the way it holds every text: as given
// on POSIX systems; from the UTF-16 command line on Windows, whose narrow
// arguments are in a code page and lose what it cannot hold.
#include <string>
#include <vector>

namespace tess {

std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tess
