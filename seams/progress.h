#pragma once

#include <cstdint>
#include <string>

namespace updater {

// What a measured step counts.
enum class ProgressUnit { None, Seconds, Files, Statements, Parts };

// Where the engine reports the long step it is in, beside the operator: the step's text, then
// how much of it is done. Never a log entry. Calls come from the engine's thread, Advance
// possibly once per file: implementations keep it cheap and throttle their own drawing.
class Progress {
 public:
  virtual ~Progress() = default;
  // A step starts. `total` counts `unit`s, 0 when unknown; `total_bytes` is 0 unless the
  // step moves file contents.
  virtual void Begin(const std::string& text, ProgressUnit unit, std::uint64_t total,
                     std::uint64_t total_bytes) = 0;
  virtual void Advance(std::uint64_t done, std::uint64_t bytes_done) = 0;
  virtual void End() = 0;
  // False when nobody looks: work that only serves the display (counting a tree before
  // copying it, slicing a fixed wait) is then left out.
  virtual bool Watching() const { return true; }
  // Another program is about to write to the same screen: a drawn line is taken away until
  // the next Advance.
  virtual void MakeWayForOtherOutput() {}
};

// A progress that shows nothing and says nobody watches: for work that no front end follows.
Progress& SilentProgress();

// One step as the engine sees it: begun on construction, ended when it goes out of scope,
// an exception included. Steps follow one another; they do not nest.
class ProgressStep {
 public:
  ProgressStep(Progress& progress, const std::string& text, ProgressUnit unit = ProgressUnit::None,
               std::uint64_t total = 0, std::uint64_t total_bytes = 0)
      : progress_(progress) {
    progress_.Begin(text, unit, total, total_bytes);
  }
  ~ProgressStep() { progress_.End(); }
  ProgressStep(const ProgressStep&) = delete;
  ProgressStep& operator=(const ProgressStep&) = delete;

  bool Watching() const { return progress_.Watching(); }
  void Add(std::uint64_t count, std::uint64_t bytes = 0) {
    done_ += count;
    bytes_ += bytes;
    progress_.Advance(done_, bytes_);
  }
  void AddBytes(std::uint64_t bytes) { Add(0, bytes); }
  void Set(std::uint64_t done) {
    done_ = done;
    progress_.Advance(done_, bytes_);
  }

 private:
  Progress& progress_;
  std::uint64_t done_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace updater
