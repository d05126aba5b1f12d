#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/cli_process.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;
using testing::TempFolder;

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Each test runs its own copy of the built front end, so that its run log lands in a
// folder of its own even when the tests run side by side within one second.
class CliProcessTest : public ::testing::Test {
 protected:
  CliProcessTest() {
    cli_ = testing::CopyOfBuiltCli(fs::path(folder_.path()) / "bin");
    fs::create_directories(scratch());
  }

  fs::path scratch() const { return fs::path(folder_.path()) / "scratch"; }
  fs::path logs() const { return cli_.parent_path() / "Logs"; }

  ProcessResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProcess(cli_, args, scratch(), input, "LC_ALL=C TZ=UTC0");
  }

  std::vector<fs::path> LogFiles() const {
    std::vector<fs::path> files;
    if (fs::is_directory(logs())) {
      for (const auto& entry : fs::directory_iterator(logs())) files.push_back(entry.path());
    }
    return files;
  }

  TempFolder folder_;
  fs::path cli_;
};

}  // namespace
}  // namespace updater
