// How a command treats a failing step: skip it and go on with the next, or let the failure end
// the command. Skipped failures are kept, so that what the user is not shown can still be
// reported.
#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace mailshift::notes {

class StepPolicy {
 public:
  enum class OnFailure { Skip, End };

  explicit StepPolicy(OnFailure onFailure) : onFailure_(onFailure) {}

  OnFailure onFailure() const { return onFailure_; }
  void SetOnFailure(OnFailure onFailure) { onFailure_ = onFailure; }

  // Runs one step. With Skip, a failure is recorded and the caller goes on; with End, it
  // propagates.
  template <class Step>
  void Run(Step&& step) {
    if (onFailure_ == OnFailure::End) {
      std::forward<Step>(step)();
      return;
    }
    try {
      std::forward<Step>(step)();
    } catch (const std::exception& failure) {
      skipped_.emplace_back(failure.what());
    }
  }

  // The failures stepped over so far, in order.
  const std::vector<std::string>& skipped() const { return skipped_; }
  std::vector<std::string> TakeSkipped() { return std::move(skipped_); }

 private:
  OnFailure onFailure_;
  std::vector<std::string> skipped_;
};

}  // namespace mailshift::notes
