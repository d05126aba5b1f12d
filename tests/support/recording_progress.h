#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seams/progress.h"

namespace updater::testing {

// Records every step and every advance the engine reports; installed while it lives.
class RecordingProgress final : public Progress {
 public:
  struct Step {
    std::string text;
    ProgressUnit unit = ProgressUnit::None;
    std::uint64_t total = 0;
    std::uint64_t total_bytes = 0;
    std::vector<std::uint64_t> done;   // each Advance's count
    std::vector<std::uint64_t> bytes;  // each Advance's bytes
    bool ended = false;
  };

  RecordingProgress() : use_(*this) {}

  void Begin(const std::string& text, ProgressUnit unit, std::uint64_t total,
             std::uint64_t total_bytes) override {
    if (!steps.empty() && !steps.back().ended) nested = true;
    steps.push_back({text, unit, total, total_bytes, {}, {}, false});
  }
  void Advance(std::uint64_t done, std::uint64_t bytes) override {
    steps.back().done.push_back(done);
    steps.back().bytes.push_back(bytes);
  }
  void End() override { steps.back().ended = true; }
  bool Watching() const override { return watching; }

  bool watching = true;
  std::vector<Step> steps;
  bool nested = false;  // a step began inside another

 private:
  ScopedProgress use_;
};

}  // namespace updater::testing
