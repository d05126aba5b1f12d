#include "sys/process_names.h"

#include "sys/path.h"

namespace updater {

namespace {

// The kernel marks the executable of a replaced or deleted file this way.
std::string WithoutDeletedMark(std::string path) {
  static const std::string mark = " (deleted)";
  if (path.size() > mark.size() &&
      path.compare(path.size() - mark.size(), mark.size(), mark) == 0) {
    path.resize(path.size() - mark.size());
  }
  return path;
}

}  // namespace

bool NamesMatch(const ProcessNames& names, const std::string& wanted, std::size_t comm_limit) {
  if (wanted.empty()) return false;
  const std::string target = AsciiUpper(wanted);
  const std::string exe = WithoutDeletedMark(names.exe_path);
  if (!exe.empty() && (AsciiUpper(FileNamePart(exe)) == target || AsciiUpper(exe) == target)) {
    return true;
  }
  // Started through a link: the short name and the command line carry the link's name.
  if (names.comm.size() < comm_limit) return AsciiUpper(names.comm) == target;
  if (AsciiUpper(names.comm) != AsciiUpper(wanted.substr(0, comm_limit))) return false;
  return AsciiUpper(FileNamePart(names.argv0)) == target;
}

}  // namespace updater
