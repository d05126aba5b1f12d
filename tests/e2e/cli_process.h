#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sys/executable_folder.h"
#include "tests/support/temp_folder.h"

namespace updater::testing {

struct ProcessResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The front end's file name on this platform.
std::string CliFileName();

// The front end as built, beside this test program.
inline std::filesystem::path BuiltCli() {
  return std::filesystem::path(ExecutableFolder()) / CliFileName();
}

// A copy of the built front end in `folder` (made if missing), so that its run log lands in
// a folder of the test's own even when tests run side by side within one second.
inline std::filesystem::path CopyOfBuiltCli(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(BuiltCli(), folder / CliFileName());
  return folder / CliFileName();
}

// Runs `program` with `args` as a real process, `input` on its standard input,
// and collects both outputs through files in `scratch`. `env` holds NAME=VALUE pairs, set for
// the program only and separated by blanks.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& scratch, const std::string& input = "",
                         const std::string& env = "");

}  // namespace updater::testing
