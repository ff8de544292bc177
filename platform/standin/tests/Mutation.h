// Bounded random-mutation testing: a seeded source of mutations and the number of rounds to run.
// The seed is printed, and MAILSHIFT_FUZZ_SEED (and MAILSHIFT_FUZZ_ROUNDS) run a failing case again.
#pragma once

#include <cstdint>
#include <string>

namespace mailshift::standin::testing {

// SplitMix64: the same sequence on every platform.
class MutationRandom {
 public:
  explicit MutationRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 to bound - 1; 0 when bound is 0.
  std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }
  bool Percent(int percent) { return Below(100) < static_cast<std::size_t>(percent); }

 private:
  std::uint64_t state_;
};

struct MutationPlan {
  std::uint64_t seed = 0;
  int rounds = 0;
  // How to run this plan again, for the failure messages.
  std::string Replay(int round) const;
  // The seed of one round: each round can be run again on its own.
  std::uint64_t RoundSeed(int round) const;
};

// The plan for a test: the fixed seed unless MAILSHIFT_FUZZ_SEED gives one; `rounds` rounds (four
// times as many in the sanitizer build) unless MAILSHIFT_FUZZ_ROUNDS gives a number. Prints it.
MutationPlan PlanMutations(const char* what, std::uint64_t fixedSeed, int rounds);

}  // namespace mailshift::standin::testing
