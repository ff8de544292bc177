#include "platform/standin/tests/Mutation.h"

#include <cstdlib>
#include <iostream>

namespace mailshift::standin::testing {
namespace {

#ifdef MAILSHIFT_SANITIZED_BUILD
constexpr int kRoundFactor = 4;
#else
constexpr int kRoundFactor = 1;
#endif

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (*end != '\0') {
    std::cerr << name << "=" << text << " is not a whole number; using " << fallback << "\n";
    return fallback;
  }
  return value;
}

}  // namespace

std::string MutationPlan::Replay(int round) const {
  return "replay this round alone with MAILSHIFT_FUZZ_SEED=" + std::to_string(RoundSeed(round)) +
         " MAILSHIFT_FUZZ_ROUNDS=1";
}

std::uint64_t MutationPlan::RoundSeed(int round) const {
  // A single round replayed on its own uses the seed as it was given.
  if (rounds == 1) return seed;
  return MutationRandom(seed + static_cast<std::uint64_t>(round)).Next();
}

MutationPlan PlanMutations(const char* what, std::uint64_t fixedSeed, int rounds) {
  MutationPlan plan;
  plan.seed = FromEnvironment("MAILSHIFT_FUZZ_SEED", fixedSeed);
  plan.rounds = static_cast<int>(
      FromEnvironment("MAILSHIFT_FUZZ_ROUNDS", static_cast<std::uint64_t>(rounds) * kRoundFactor));
  std::cout << what << ": " << plan.rounds << " mutated inputs from seed " << plan.seed
            << " (MAILSHIFT_FUZZ_SEED and MAILSHIFT_FUZZ_ROUNDS run it again)" << std::endl;
  return plan;
}

}  // namespace mailshift::standin::testing
