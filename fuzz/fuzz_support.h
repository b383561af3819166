#pragma once
// What every fuzz target shares: the input as a byte vector, and a check that stops the run
// (a crash libFuzzer records with its input) when a round trip or invariant fails.
//
// Each target lets only DataError pass silently; any other exception leaves
// LLVMFuzzerTestOneInput, terminates the process and so counts as a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tv::fuzz {

inline std::vector<uint8_t> Input(const uint8_t* data, size_t size) { return std::vector<uint8_t>(data, data + size); }

inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace tv::fuzz
