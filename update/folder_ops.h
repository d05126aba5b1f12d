#pragma once

#include <string>
#include <vector>

#include "seams/progress.h"

namespace updater {

// Deletes `dir` with everything in it, read-only files included; links inside are deleted,
// never followed. A file that cannot be deleted (another process holds it open) raises
// Error uUpdate_MyRemoveDir_1 naming it and ends the removal; what was deleted before stays
// deleted. A missing `dir`, or a folder that cannot be removed, is no error.
void MyRemoveDir(const std::string& dir);

// Creates the single folder `dir`; raises Error uUpdate_MyCreateDir_1 when it cannot,
// also when it exists already or its parent is missing.
void MyCreateDir(const std::string& dir);

// Copies the tree under `source` into `dest`, creating `dest` and its missing parents. It
// adds and overwrites (read-only targets too), never deletes; links are copied as links.
// A file that cannot be copied is passed over. Raises Error uUpdate_MyCopyDir_1 when
// `source` is not a folder, uUpdate_MyCopyDir_2 when a destination folder cannot be made.
// The files and bytes copied are shown on `progress`.
void MyCopyDir(Progress& progress, const std::string& source, const std::string& dest);

// After a tree copy of `from` over `to`: raises uUpdate_SwapFolders_1 naming the first of
// `names` that `from` holds and `to` does not hold with the same bytes (the copy passes over a
// file it cannot write, such as the executable of a running client).
void CheckCopiedOver(const std::string& from, const std::string& to,
                     const std::vector<std::string>& names);

// Whether the files `a` and `b` both exist and hold the same bytes; a read error counts as
// different.
bool SameFileContent(const std::string& a, const std::string& b);

}  // namespace updater
