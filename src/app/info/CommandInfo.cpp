#include "app/info/CommandInfo.h"

#include <cstdio>
#include <cstring>

#include "tessaline/Version.h"

namespace tess {

std::optional<int> AnswerInfoOption(int argc, const char* const* argv, const char* program,
                                    const char* help) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const bool wantsHelp = std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
        const bool wantsVersion = std::strcmp(argv[i], "--version") == 0;
        if (!wantsHelp && !wantsVersion) continue;
        if (wantsHelp)
            std::fputs(help, stdout);
        else
            std::printf("%s (%s) %s\n", program, kProductName, kVersion);
        // A closed or full standard output is a failure like any other.
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
        std::fprintf(stderr, "%s: cannot write to standard output\n", program);
        return 1;
    }
    return std::nullopt;
}

}  // namespace tess
