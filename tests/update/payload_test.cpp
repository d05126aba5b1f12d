#include "update/payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "fbserver/server_processes.h"
#include "fbserver/service_manager.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "resources/embedded_resource.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "sys/run_program.h"
#include "sys/sha256.h"
#include "tests/support/recording_operator.h"
#include "tests/support/recording_progress.h"
#include "tests/support/temp_folder.h"
#include "tests/update/payload_fixture.h"
#include "update/run_state.h"

namespace updater {
namespace {

using namespace payload_testing;

TEST_F(PayloadTest, ExtractWritesTheCarriedArchiveAsARunnableFileWhateverTheNameCase) {
  const std::string carried = CarriedArchive();
  ASSERT_GT(carried.size(), 1000u);
  for (const char* name : {"", "files", "FILES", "Files"}) {
    fs::remove(archive);
    ExtractFilesFromResource(archive, name);
    EXPECT_EQ(testing::ReadFile(archive), carried) << name;
    EXPECT_TRUE(IsExecutable(archive)) << name;
  }
  // A relative name is taken from the current folder.
  testing::ScopedCurrentDirectory in(new_dir);
  ExtractFilesFromResource("relative.exe", "");
  EXPECT_EQ(testing::ReadFile(InNew("relative.exe")), carried);
}

TEST_F(PayloadTest, TheCheckNamesAMissingOrChangedFile) {
  ASSERT_EQ(Unpack(), 0);
  const std::string manifest = InNew(kPayloadManifestName);
  const std::string exe = InNew("DunVeld.exe");
  std::ofstream(exe, std::ios::app) << 'x';
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_3, exe, manifest));

  // The first listed file that is missing is named, before the changed one.
  fs::remove(InNew("Sys_Roles.sql"));
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, InNew("Sys_Roles.sql")));

  fs::remove(manifest);
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, manifest));
}

TEST_F(PayloadTest, TheCheckRefusesADamagedOrIncompleteChecksumList) {
  ASSERT_EQ(Unpack(), 0);
  const std::string manifest = InNew(kPayloadManifestName);
  const std::string original = testing::ReadFile(manifest);

  // Without the entry of a listed file.
  std::string without;
  std::istringstream lines(original);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("  Dv_UDF_u8.dll") == std::string::npos) without += line + "\n";
  }
  testing::WriteFile(manifest, without);
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_5, manifest, "Dv_UDF_u8.dll"));

  // A line that is not a checksum line, and one that reaches outside the folder.
  testing::WriteFile(manifest, original + "not a checksum\n");
  const int bad_line = static_cast<int>(std::count(original.begin(), original.end(), '\n')) + 1;
  EXPECT_EQ(
      ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
      GetMessageText(msg::uUpdate_CheckUnpackedPayload_4, manifest, std::to_string(bad_line)));
  testing::WriteFile(manifest, original + std::string(64, 'a') + "  ../script.sql\n");
  EXPECT_EQ(
      ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
      GetMessageText(msg::uUpdate_CheckUnpackedPayload_4, manifest, std::to_string(bad_line)));

  // A file beyond the listed ones is verified too.
  testing::WriteFile(InNew("extra.txt"), "changed");
  testing::WriteFile(manifest, original + std::string(64, '0') + "  extra.txt\r\n");
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_3, InNew("extra.txt"), manifest));
}

// The run's own unpacking, watched: the archive written, run and checked.
TEST_F(PayloadTest, TheRunsUnpackingReportsItsThreeParts) {
  testing::RecordingProgress progress;
  RealClock clock;
  RealRunServices({clock, progress, PlatformServiceControl(), SystemServerProcesses()})
      ->UnpackPayload(op, new_dir, PresetProfile());
  ASSERT_EQ(progress.steps.size(), 1u);
  EXPECT_EQ(progress.steps[0].text, "Unpacking the files of the update");
  EXPECT_EQ(progress.steps[0].total, 3u);
  EXPECT_EQ(progress.steps[0].done, (std::vector<std::uint64_t>{1, 2, 3}));
}

TEST_F(PayloadTest, TheCarriedArchiveUnpacksEveryListedFileIntoTheFolderItRunsIn) {
  ASSERT_EQ(Unpack(), 0);
  EXPECT_NO_THROW(CheckUnpackedPayload(new_dir, 0, PresetProfile()));
  for (const std::string& name : PayloadFileNames(PresetProfile())) {
    const std::string unpacked = new_dir + "/" + name;
    ASSERT_TRUE(fs::is_regular_file(unpacked)) << name;
#ifdef UPDATER_TEST_PAYLOAD_DIR
    // Byte for byte the files of the folder the build packed.
    EXPECT_EQ(Sha256OfFile(unpacked),
              Sha256OfFile(std::string(UPDATER_TEST_PAYLOAD_DIR) + "/" + name))
        << name;
#endif
  }
  EXPECT_TRUE(IsExecutable(new_dir + "/DunVeld.exe"));
  // Nothing was unpacked anywhere else.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder / "Tmp$1")) ++entries;
  EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace updater
