// Coverage of what the libraries did, for libFuzzer's feedback: DevIL and
// libmpg123 come from Debian uninstrumented, so only the harness's own
// branches count as coverage. Each harness hashes the observable outcome of
// one run (error code, format, size class) into a counter in libFuzzer's
// extra-counters section; a new outcome is a new feature, and the input that
// produced it is kept. Include from one source file per harness.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace {

constexpr size_t OUTCOME_COUNTER_COUNT = 1 << 14;  // hash buckets; collisions only merge outcomes

__attribute__((section("__libfuzzer_extra_counters"), used))
uint8_t outcomeCounters[OUTCOME_COUNTER_COUNT];  // cleared by libFuzzer before every run

// Records one outcome, described by its facts in a fixed order (FNV-1a).
void noteOutcome(std::initializer_list<uint64_t> facts) {
    uint64_t hash = 14695981039346656037ull;
    for (uint64_t fact : facts) hash = (hash ^ fact) * 1099511628211ull;
    uint8_t& counter = outcomeCounters[hash % OUTCOME_COUNTER_COUNT];
    if (counter < UINT8_MAX) ++counter;
}

// Size classes: 0, 1, 2-3, 4-7, ... so that sizes count only by magnitude.
uint64_t sizeClass(uint64_t value) { return value ? 64 - __builtin_clzll(value) : 0; }

}  // namespace
