#pragma once

// The carried payload archive, unpacked into a run's New folder in a fresh temporary folder.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "resources/embedded_resource.h"
#include "sys/error.h"
#include "sys/run_program.h"
#include "tests/support/error_of.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "update/payload.h"

namespace updater::payload_testing {

namespace fs = std::filesystem;
using testing::ErrorOf;

inline std::string CarriedArchive() {
  auto bytes = FindEmbeddedResource("EXEFILE", "files");
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

inline bool IsExecutable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IXUSR) != 0;
}

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    fs::create_directories(new_dir);
  }

  std::string ExtractError(const std::string& cause, const std::string& res = "files") {
    return GetMessageText(msg::uUpdate_ExtractFilesFromResource_1, res) + "\r" + cause;
  }

  // Writes the carried archive into New and runs it there, as the update run does.
  int Unpack() {
    ExtractFilesFromResource(archive, "");
    return RunAndWait(op, archive, std::nullopt, 1);
  }

  testing::TempFolder folder;
  testing::RecordingOperator op;
  // A file's path in New, in the platform's form (as the messages name it).
  std::string InNew(const std::string& name) const { return folder / ("Tmp$1/New/" + name); }

  const std::string new_dir = folder / "Tmp$1/New";
  const std::string archive = InNew("files.exe");
};

}  // namespace updater::payload_testing
