#include "seams/progress.h"

namespace updater {

namespace {

class Silent final : public Progress {
 public:
  void Begin(const std::string&, ProgressUnit, std::uint64_t, std::uint64_t) override {}
  void Advance(std::uint64_t, std::uint64_t) override {}
  void End() override {}
  bool Watching() const override { return false; }
};

}  // namespace

Progress& SilentProgress() {
  // Holds no state, so one is shared by everybody.
  static Silent silent;
  return silent;
}

}  // namespace updater
