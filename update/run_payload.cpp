#include <optional>
#include <string>

#include "messages/message_text.h"
#include "seams/progress.h"
#include "sys/path.h"
#include "sys/run_program.h"
#include "update/payload.h"
#include "update/run_state.h"

namespace updater {

namespace {

class PayloadRunServices final : public ServerRunServices {
 public:
  using ServerRunServices::ServerRunServices;

  void UnpackPayload(Operator& op, const std::string& new_dir,
                     const ProjectProfile& profile) override {
    // Three parts: the archive written out, run, and its files checked.
    ProgressStep progress(f_.progress, GetMessageText(msg::uProgress_Unpack), ProgressUnit::Parts,
                          3);
    const std::string archive = IncludeTrailingSeparator(new_dir) + kPayloadArchiveName;
    ExtractFilesFromResource(archive, "");
    progress.Add(1);
    const int exit_code = RunAndWait(op, archive, std::nullopt, kShowNormal, &f_.progress);
    progress.Add(1);
    // An archive that unpacked nothing, or other files, is caught here, not by a later step.
    CheckUnpackedPayload(new_dir, exit_code, profile);
    progress.Add(1);
  }
};

}  // namespace

std::unique_ptr<RunServices> RealRunServices(const Facilities& f) {
  return std::make_unique<PayloadRunServices>(f);
}

}  // namespace updater
