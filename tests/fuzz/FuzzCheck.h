#pragma once
// A check that holds in release builds too: a broken invariant aborts, which
// libFuzzer reports as a crash together with the input that caused it.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                         #cond);                                                  \
            std::abort();                                                         \
        }                                                                         \
    } while (0)
