#include <exception>
#include <fstream>
#include <memory>
#include <vector>

#include "db/sql_literal.h"
#include "fbserver/fb_service.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/text.h"
#include "update/run_folders.h"
#include "update/run_state.h"

namespace updater {

namespace {

// The file `name` in `dir`, its name matched without regard to case as Windows does; the
// exact name when no entry matches.
std::string FindFileNoCase(const std::string& dir, const std::string& name) {
  const std::string exact = JoinPath(dir, name);
  if (FileExists(exact)) return exact;
  std::vector<DirectoryEntry> entries;
  std::unique_ptr<Directory> folder = Directory::Open(dir);
  if (folder && folder->ReadEntries(entries)) {
    for (const DirectoryEntry& entry : entries) {
      if (entry.kind == EntryKind::File && SameTextIgnoringCase(entry.name, name)) {
        return JoinPath(dir, entry.name);
      }
    }
  }
  return exact;
}

std::vector<std::string> ReadLines(const std::string& path) {
  const std::optional<std::string> text = ReadFileText(path);
  if (!text) throw Error(GetMessageText(msg::uUpdate_PrepareRolesCapture_1, path));
  return SplitLines(*text);
}

}  // namespace

std::string UpdateRun::PayloadFile(const std::string& name) const {
  return FindFileNoCase(c_.NewDir, name);
}

void UpdateRun::CopyChecked(const std::string& source, const std::string& target) {
  if (!ForceCopyFile(source, target)) {
    throw Error(GetMessageText(msg::uUpdate_CopyChecked_1, source, target));
  }
}

void UpdateRun::UpdateDatabase() {
  const db::ConnectionParams sysdba = AsSysdba(c_.WorkDbPath);
  const db::ConnectionParams admn = AsAdmn(c_.WorkDbPath);
  const std::string& prefix = profile_.ServerPrefix;

  LogKey(msg::uIS_DunVeld_6);
  // The copy was taken in single-user mode and carries it.
  services_.OnLine(sysdba, prefix);
  try {
    services_.RunScriptText(op_, admn, "SET SQL DIALECT 3; ");
  } catch (const std::exception& e) {
    throw Error(GetMessageText(msg::uIS_DunVeld_7) + "\r\r" + e.what());
  }
  // Between the steps only the working copy has changed: a request to stop is taken there.
  StopIfAsked();
  services_.Shutdown(sysdba, prefix);
  PrepareRolesCapture();
  services_.RunScriptFile(op_, sysdba, PayloadFile(profile_.Files.RolesScript));
  StopIfAsked();
  services_.OnLine(sysdba, prefix);
  services_.CleanUpPrivileges(op_, admn);
  services_.Shutdown(sysdba, prefix);
  services_.CleanUpPrivileges(op_, sysdba);
  StopIfAsked();
  InstallUdfLibrary();
  StopIfAsked();
  services_.RunScriptFile(op_, sysdba, PayloadFile(profile_.Files.UpdateScript));
  StopIfAsked();
  services_.OnLine(sysdba, prefix);
  services_.RunScriptFile(op_, admn, JoinPath(c_.NewDir, profile_.Files.RolesCapture));
  // Left shut down, ready to replace the live database.
  services_.Shutdown(sysdba, prefix);
}

void UpdateRun::PrepareRolesCapture() {
  const std::string path = PayloadFile(profile_.Files.RolesScript);
  std::vector<std::string> lines = ReadLines(path);
  if (lines.empty()) throw Error(GetMessageText(msg::uUpdate_PrepareRolesCapture_2, path));
  lines[0] = "execute ibeblock(Roles_File_Name = " +
             db::SqlStringLiteral(JoinPath(c_.NewDir, profile_.Files.RolesCapture)) + ")";
  std::ofstream out(FileSystemPath(path), std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\r\n";
  out.close();
  if (!out) throw Error(GetMessageText(msg::uUpdate_PrepareRolesCapture_3, path));
}

void UpdateRun::InstallUdfLibrary() {
  const TFBServParams& server = ServerParams();
  StopFBService(f_, op_, server, false);
  // The server is started again whether or not the copy went through.
  std::exception_ptr copy_error;
  try {
    CopyChecked(PayloadFile(profile_.Files.UdfLibrary),
                InstalledUdfLibrary(profile_, server.FbRootDir));
  } catch (...) {
    copy_error = std::current_exception();
  }
  StartFBService(f_, op_, server, false);
  if (copy_error) std::rethrow_exception(copy_error);
}

}  // namespace updater
