#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "seams/project_profile.h"

namespace updater {

// The file the update run writes the payload archive to, inside the New folder.
inline constexpr const char* kPayloadArchiveName = "files.exe";
// The checksum list the archive carries beside the payload files: one line per file,
// 64 lower-case hexadecimal digits of its SHA-256, two blanks (or a blank and "*") and the
// file name, as sha256sum writes it.
inline constexpr const char* kPayloadManifestName = "payload.sha256";

// The files that the update run expects in the New folder once the archive has run, in the
// order the run uses them: the scripts and the server library, then the client files.
std::vector<std::string> PayloadFileNames(const ProjectProfile& profile);

// Writes the carried item of type "EXEFILE" named `resName` ("files" when empty; the name
// is compared without regard to case) to `fileName` (a relative name is taken from the
// current folder), replacing an existing file. The written file may be run. On failure
// the error reads uUpdate_ExtractFilesFromResource_1, a carriage return and the cause
// ("Resource %s not found", "Cannot create file %s", "Cannot write file %s"), and no file
// of that name is left.
void ExtractFilesFromResource(std::string fileName, std::string resName);

// After the archive ran in `newDir` and ended with `exitCode`: raises an Error naming the
// archive when the code is not zero, naming the checksum list when it is missing or
// damaged or lacks a listed file, and naming the first file that is missing or whose
// content differs from its checksum. Every file of the checksum list is verified; returns
// how many it lists.
std::size_t CheckUnpackedPayload(const std::filesystem::path& newDir, int exitCode,
                                 const ProjectProfile& profile);

}  // namespace updater
