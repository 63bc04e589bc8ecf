// What a harness does when the code under test breaks a promise without
// crashing: name the broken promise and abort, which libFuzzer records as a
// finding with the input that caused it.
#pragma once
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__,    \
                         #condition);                                                  \
            std::abort();                                                              \
        }                                                                              \
    } while (0)
