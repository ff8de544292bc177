#include "batch/Shards.h"

#include <charconv>

namespace mailshift::batch {
namespace {

std::optional<std::size_t> Whole(std::string_view text) {
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

ShardRead Checked(std::size_t index, std::size_t count, const std::string& given) {
  if (count == 0 || count > kMostShards) {
    return {std::nullopt, given + ": the number of parts must be from 1 to " + std::to_string(kMostShards)};
  }
  if (index == 0 || index > count) {
    return {std::nullopt, given + ": the part must be from 1 to " + std::to_string(count)};
  }
  return {Shard{index, count}, {}};
}

}  // namespace

std::string Shard::FolderName() const {
  return "shard-" + std::to_string(index) + "-of-" + std::to_string(count);
}

ShardRead ParseShard(std::string_view text) {
  const auto slash = text.find('/');
  const std::string given = "--shard " + std::string(text);
  if (slash == std::string_view::npos) return {std::nullopt, given + ": give the part as K/N, such as 2/8"};
  const auto index = Whole(text.substr(0, slash));
  const auto count = Whole(text.substr(slash + 1));
  if (!index || !count) return {std::nullopt, given + ": give the part as K/N, such as 2/8"};
  return Checked(*index, *count, given);
}

ShardRead ShardFromEnvironment(const std::function<std::optional<std::string>(const char*)>& variable,
                               std::size_t count) {
  if (const auto task = variable("SLURM_ARRAY_TASK_ID")) {
    const auto id = Whole(*task);
    if (!id) return {std::nullopt, "SLURM_ARRAY_TASK_ID is not a number: " + *task};
    std::size_t first = 0;
    if (const auto min = variable("SLURM_ARRAY_TASK_MIN")) {
      const auto value = Whole(*min);
      if (!value || *value > *id)
        return {std::nullopt, "SLURM_ARRAY_TASK_MIN is not a number below the task's"};
      first = *value;
    }
    std::size_t tasks = count;
    if (tasks == 0) {
      const auto total = variable("SLURM_ARRAY_TASK_COUNT");
      const auto value = total ? Whole(*total) : std::nullopt;
      if (!value) return {std::nullopt, "SLURM_ARRAY_TASK_COUNT is not set to a number; give --shard-count"};
      tasks = *value;
    }
    return Checked(*id - first + 1, tasks, "SLURM_ARRAY_TASK_ID " + *task);
  }
  if (const auto index = variable("JOB_COMPLETION_INDEX")) {
    const auto value = Whole(*index);
    if (!value) return {std::nullopt, "JOB_COMPLETION_INDEX is not a number: " + *index};
    if (count == 0)
      return {std::nullopt, "JOB_COMPLETION_INDEX is set: give the number of parts with --shard-count"};
    return Checked(*value + 1, count, "JOB_COMPLETION_INDEX " + *index);
  }
  return {std::nullopt,
          "neither SLURM_ARRAY_TASK_ID nor JOB_COMPLETION_INDEX is set: this is no task of an array job"};
}

}  // namespace mailshift::batch
