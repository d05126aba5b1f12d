#include "seams/progress.h"

namespace updater {

namespace {

class SilentProgress final : public Progress {
 public:
  void Begin(const std::string&, ProgressUnit, std::uint64_t, std::uint64_t) override {}
  void Advance(std::uint64_t, std::uint64_t) override {}
  void End() override {}
  bool Watching() const override { return false; }
};

SilentProgress silent;
Progress* current = &silent;

}  // namespace

Progress& CurrentProgress() {
  return *current;
}

void SetCurrentProgress(Progress* progress) {
  current = progress != nullptr ? progress : &silent;
}

}  // namespace updater
