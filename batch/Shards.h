// One part of a batch for one machine: the K-th of N equal parts of the list, by the list's order,
// so that every machine given the same list and N takes its own mailboxes and no other's.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mailshift::batch {

struct Shard {
  std::size_t index = 1;  // from 1 to count
  std::size_t count = 1;

  // The first and one past the last position of this part in a list of `size` entries.
  std::size_t Begin(std::size_t size) const { return size * (index - 1) / count; }
  std::size_t End(std::size_t size) const { return size * index / count; }
  // "shard-2-of-3": the folder of its report.
  std::string FolderName() const;
};

inline constexpr std::size_t kMostShards = 100'000;

struct ShardRead {
  std::optional<Shard> shard;
  std::string problem;
};

// "K/N", K from 1 to N.
ShardRead ParseShard(std::string_view text);

// The part an array job's task takes, from its variables: Slurm's SLURM_ARRAY_TASK_ID (less
// SLURM_ARRAY_TASK_MIN when set) of SLURM_ARRAY_TASK_COUNT, or Kubernetes' JOB_COMPLETION_INDEX
// (from 0) of `count`, which must then be given (0: not given; it also overrides Slurm's count).
ShardRead ShardFromEnvironment(const std::function<std::optional<std::string>(const char*)>& variable,
                               std::size_t count);

}  // namespace mailshift::batch
