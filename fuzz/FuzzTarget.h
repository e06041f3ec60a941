#pragma once
// What every fuzz target shares: the entry point libFuzzer (or our own driver, FuzzDriver.cpp)
// calls once per input, and the check that stops the run when an invariant breaks.
//
// A target is one file fuzz/fuzz_<name>.cpp defining LLVMFuzzerTestOneInput, plus one line
// quorvex_fuzz_target(<name> LIBS ...) in fuzz/CMakeLists.txt; its seed inputs live in
// fuzz/corpus/<name>/.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Stops the run with a message when an invariant does not hold. abort() lets libFuzzer (or
// our driver) keep the input that broke it.
#define FUZZ_CHECK(condition, message)                                                                    \
    do {                                                                                                  \
        if (!(condition)) {                                                                               \
            std::fprintf(stderr, "fuzz invariant broken at %s:%d: %s (%s)\n", __FILE__, __LINE__, message, \
                         #condition);                                                                     \
            std::abort();                                                                                 \
        }                                                                                                 \
    } while (false)
