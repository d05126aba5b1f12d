// Times one tree operation of the update engine for scripts/bench-fileops.
//   bench_fileops copy SOURCE DEST   -> MyCopyDir
//   bench_fileops copy-flushed SOURCE DEST -> MyCopyDir, then FlushToDisk of DEST
//   bench_fileops remove DIR         -> MyRemoveDir
//   bench_fileops copy-progress SOURCE DEST -> MyCopyDir watched by the command line's progress
//                                              line, drawn into a stream that discards it
// Prints "seconds=<wall time> maxrss_kb=<peak resident memory>".

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <streambuf>

#include "app/cli_progress.h"
#include "seams/progress.h"
#include "sys/durable_file.h"
#include "update/folder_ops.h"

namespace {

class DiscardingBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  const bool progress = argc == 4 && std::strcmp(argv[1], "copy-progress") == 0;
  const bool flushed = argc == 4 && std::strcmp(argv[1], "copy-flushed") == 0;
  const bool copy = progress || flushed || (argc == 4 && std::strcmp(argv[1], "copy") == 0);
  const bool remove = argc == 3 && std::strcmp(argv[1], "remove") == 0;
  if (!copy && !remove) {
    std::fprintf(stderr, "usage: %s copy|copy-flushed|copy-progress SOURCE DEST | remove DIR\n",
                 argv[0]);
    return 2;
  }
  DiscardingBuffer discard;
  std::ostream nowhere(&discard);
  updater::RealClock clock;
  std::optional<updater::CliProgress> line;
  if (progress) line.emplace(clock, nowhere, updater::ProgressStyle::Line, [] { return 80; });
  updater::Progress& shown_on =
      line ? static_cast<updater::Progress&>(*line) : updater::SilentProgress();
  const auto start = Clock::now();
  try {
    if (copy) {
      updater::MyCopyDir(shown_on, argv[2], argv[3]);
      if (flushed && !updater::FlushToDisk(argv[3])) throw std::runtime_error("not flushed");
    } else {
      updater::MyRemoveDir(argv[2]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds=%.3f maxrss_kb=%ld\n", seconds, usage.ru_maxrss);
  return 0;
}
