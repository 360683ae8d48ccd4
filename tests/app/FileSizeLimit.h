#pragma once
// POSIX only: a file size limit for the tests of failed writes.
#include <sys/resource.h>

namespace tess::test {

// Caps the size of files this process writes (a limit that binds root too)
// and ignores SIGXFSZ, so that a write past the cap fails instead of ending
// the test; both are restored when the guard goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

}  // namespace tess::test
