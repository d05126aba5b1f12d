#include "update/payload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "resources/embedded_resource.h"
#include "sys/error.h"
#include "sys/run_program.h"
#include "sys/sha256.h"
#include "tests/support/holding_child_posix.h"
#include "tests/support/recording_operator.h"
#include "tests/support/recording_progress.h"
#include "tests/update/payload_fixture.h"
#include "update/run_state.h"

namespace updater {
namespace {

using namespace payload_testing;

// Facilities of POSIX: modes, a holding process, the archive run as a shell program.
class PayloadPosixTest : public PayloadTest {};

TEST_F(PayloadPosixTest, ExtractReplacesTheWholeContentOfAnExistingFile) {
  const std::string carried = CarriedArchive();
  testing::WriteFile(archive, std::string(carried.size() + 5000, 'x'));
  ASSERT_EQ(::chmod(archive.c_str(), 0644), 0);
  ExtractFilesFromResource(archive, "");
  EXPECT_EQ(testing::ReadFile(archive), carried);
  EXPECT_TRUE(IsExecutable(archive));
}

TEST_F(PayloadPosixTest, ExtractFailuresNameTheResourceAndTheCauseAndLeaveNoFile) {
  EXPECT_EQ(ErrorOf([&] { ExtractFilesFromResource(archive, "payload2"); }),
            ExtractError("Resource payload2 not found", "payload2"));
  EXPECT_FALSE(testing::Exists(archive));

  const std::string nowhere = folder / "Missing/New/files.exe";
  EXPECT_EQ(ErrorOf([&] { ExtractFilesFromResource(nowhere, ""); }),
            ExtractError("Cannot create file " + nowhere));
  EXPECT_FALSE(testing::Exists(folder / "Missing"));

  // A folder of that name, and a file that another program holds open, are left alone.
  fs::create_directory(archive);
  EXPECT_EQ(ErrorOf([&] { ExtractFilesFromResource(archive, ""); }),
            ExtractError("Cannot create file " + archive));
  fs::remove(archive);
  testing::WriteFile(archive, "held");
  testing::HoldingChild holder(testing::Opening(archive));
  ASSERT_TRUE(holder.started());
  EXPECT_EQ(ErrorOf([&] { ExtractFilesFromResource(archive, ""); }),
            ExtractError("Cannot create file " + archive));
  EXPECT_EQ(testing::ReadFile(archive), "held");
}

TEST_F(PayloadPosixTest, ATruncatedArchiveFailsTheCheckWithItsExitCode) {
  const std::string carried = CarriedArchive();
  testing::WriteFile(archive, carried.substr(0, carried.size() * 2 / 3));
  ASSERT_EQ(::chmod(archive.c_str(), 0755), 0);
  const int code = RunAndWait(op, archive, std::nullopt, 1);
  ASSERT_NE(code, 0);
  EXPECT_EQ(ErrorOf([&] { CheckUnpackedPayload(new_dir, code, PresetProfile()); }),
            GetMessageText(msg::uUpdate_CheckUnpackedPayload_1, archive, std::to_string(code)));
  // Even had it ended with 0, nothing it left would pass.
  EXPECT_NE(ErrorOf([&] { CheckUnpackedPayload(new_dir, 0, PresetProfile()); }), "<no error>");
}

}  // namespace
}  // namespace updater
