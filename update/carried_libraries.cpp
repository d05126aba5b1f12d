#include "update/carried_libraries.h"

#include "resources/embedded_resource.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/file_write.h"
#include "sys/path.h"

namespace updater {
namespace {

void WriteCarried(const std::string& resource, const std::string& path) {
  auto bytes = FindEmbeddedResource("DLL", resource);
  if (!bytes) throw Error("Resource " + resource + " not found");
  switch (WriteFileIfAbsent(path, *bytes)) {
    case WriteOutcome::Written:
    case WriteOutcome::Exists:
      return;
    case WriteOutcome::CannotWrite:
      throw Error("Cannot write file " + path);
    case WriteOutcome::CannotCreate:
      break;
  }
  throw Error("Cannot create file " + path);
}

}  // namespace

void WriteCarriedLibraries(const std::string& folder) {
  // A build made without a client library for its platform carries none; the client
  // installed with the server is loaded then.
  if (UPDATER_CARRIES_CLIENT) WriteCarried("fbclient", JoinPath(folder, kPlatformClientLibName));
  WriteCarried("ibescript", JoinPath(folder, kPlatformScriptLibName));
}

void WriteCarriedLibraries() {
  WriteCarriedLibraries(ExecutableFolder());
}

}  // namespace updater
