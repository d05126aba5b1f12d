#include "update/payload.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <utility>

#include "messages/message_text.h"
#include "resources/embedded_resource.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/file_write.h"
#include "sys/path.h"
#include "sys/sha256.h"

namespace updater {
namespace {

struct ManifestEntry {
  std::string name;
  std::string sha256;
};

// A plain name in the folder itself: the list must not reach outside it.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
}

std::vector<ManifestEntry> ReadManifest(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!FileExists(path) || !in) {
    throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, path));
  }
  std::vector<ManifestEntry> entries;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    ManifestEntry entry;
    std::string digest = line.substr(0, 64);
    std::transform(digest.begin(), digest.end(), digest.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool separated =
        line.size() > 66 && line[64] == ' ' && (line[65] == ' ' || line[65] == '*');
    if (separated) entry.name = line.substr(66);
    if (!separated || !IsSha256Hex(digest) || !IsPlainFileName(entry.name)) {
      throw Error(
          GetMessageText(msg::uUpdate_CheckUnpackedPayload_4, path, std::to_string(number)));
    }
    entry.sha256 = std::move(digest);
    entries.push_back(std::move(entry));
  }
  if (in.bad()) throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, path));
  return entries;
}

void VerifyFile(const std::string& folder, const ManifestEntry& entry,
                const std::string& manifest) {
  const std::string path = JoinPath(folder, entry.name);
  if (!FileExists(path)) throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, path));
  const std::optional<std::string> actual = Sha256OfFile(path);
  if (!actual || *actual != entry.sha256) {
    throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_3, path, manifest));
  }
}

}  // namespace

std::vector<std::string> PayloadFileNames(const ProjectProfile& profile) {
  const ProductFiles& files = profile.Files;
  std::vector<std::string> names = {files.UpdateScript, files.RolesScript, files.UdfLibrary,
                                    profile.ExeFileName};
  names.insert(names.end(), files.HelpSources.begin(), files.HelpSources.end());
  return names;
}

void ExtractFilesFromResource(std::string fileName, std::string resName) {
  fileName = FullPath(fileName);
  if (resName.empty()) resName = "files";
  std::string cause;
  if (auto bytes = FindEmbeddedResource("EXEFILE", resName)) {
    switch (WriteWholeFile(fileName, *bytes, true)) {
      case WriteOutcome::Written:
        return;
      case WriteOutcome::CannotWrite:
        cause = "Cannot write file " + fileName;
        break;
      default:
        cause = "Cannot create file " + fileName;
        break;
    }
  } else {
    cause = "Resource " + resName + " not found";
  }
  throw Error(GetMessageText(msg::uUpdate_ExtractFilesFromResource_1, resName) + "\r" + cause);
}

std::size_t CheckUnpackedPayload(const std::filesystem::path& newDir, int exitCode,
                                 const ProjectProfile& profile) {
  const std::string folder = newDir.string();
  if (exitCode != 0) {
    throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_1,
                               JoinPath(folder, kPayloadArchiveName), std::to_string(exitCode)));
  }
  const std::string manifest = JoinPath(folder, kPayloadManifestName);
  const std::vector<ManifestEntry> entries = ReadManifest(manifest);
  // The files the run needs first, in its order, so the message names the first it lacks.
  const std::vector<std::string> needed = PayloadFileNames(profile);
  for (const std::string& name : needed) {
    const std::string path = JoinPath(folder, name);
    if (!FileExists(path)) throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_2, path));
    auto entry = std::find_if(entries.begin(), entries.end(),
                              [&](const ManifestEntry& e) { return e.name == name; });
    if (entry == entries.end()) {
      throw Error(GetMessageText(msg::uUpdate_CheckUnpackedPayload_5, manifest, name));
    }
    VerifyFile(folder, *entry, manifest);
  }
  for (const ManifestEntry& entry : entries) {
    if (std::find(needed.begin(), needed.end(), entry.name) == needed.end()) {
      VerifyFile(folder, entry, manifest);
    }
  }
  return entries.size();
}

}  // namespace updater
