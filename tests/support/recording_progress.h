#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seams/progress.h"

namespace updater::testing {

// Records every step and advance the engine reports.
class RecordingProgress final : public Progress {
 public:
  struct Step {
    std::string text;
    ProgressUnit unit;
    std::uint64_t total, total_bytes;
    std::vector<std::uint64_t> done, bytes;  // one entry per Advance
    bool ended = false;
  };

  void Begin(const std::string& text, ProgressUnit unit, std::uint64_t total,
             std::uint64_t total_bytes) override {
    nested = nested || (!steps.empty() && !steps.back().ended);
    steps.push_back({text, unit, total, total_bytes, {}, {}, false});
  }
  void Advance(std::uint64_t done, std::uint64_t bytes) override {
    steps.back().done.push_back(done);
    steps.back().bytes.push_back(bytes);
  }
  void End() override { steps.back().ended = true; }
  bool Watching() const override { return watching; }

  std::vector<Step> steps;
  bool watching = true;
  bool nested = false;  // a step began inside another
};

}  // namespace updater::testing
