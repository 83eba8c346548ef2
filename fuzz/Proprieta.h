#pragma once
// A property every input must keep; a broken one stops the run as a finding.
#include <cstdio>
#include <cstdlib>

#define REQUIRE(condition)                                                          \
    do {                                                                            \
        if (!(condition)) {                                                         \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #condition,       \
                         __FILE__, __LINE__);                                       \
            std::abort();                                                           \
        }                                                                           \
    } while (0)
