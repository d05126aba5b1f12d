#include <optional>
#include <string>

#include "sys/path.h"
#include "sys/run_program.h"
#include "update/payload.h"
#include "update/run_state.h"

namespace updater {

namespace {

constexpr int kShowNormal = 1;

class PayloadRunServices final : public ServerRunServices {
 public:
  void UnpackPayload(Operator& op, const std::string& new_dir) override {
    const std::string archive = IncludeTrailingSeparator(new_dir) + kPayloadArchiveName;
    ExtractFilesFromResource(archive, "");
    const int exit_code = RunAndWait(op, archive, std::nullopt, kShowNormal);
    // An archive that unpacked nothing, or other files, is caught here, not by a later step.
    CheckUnpackedPayload(new_dir, exit_code);
  }
};

}  // namespace

RunServices& RealRunServices() {
  static PayloadRunServices services;
  return services;
}

}  // namespace updater
