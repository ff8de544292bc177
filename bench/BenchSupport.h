// What every benchmark measures with: elapsed seconds and the process's peak memory.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace mailshift::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The peak resident memory of this process so far, in MiB.
inline double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

}  // namespace mailshift::bench
