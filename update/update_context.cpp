#include "update/update_context.h"

#include <cstdio>

#include "messages/message_text.h"
#include "sys/calendar_time.h"
#include "sys/drive_type.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/text.h"
#include "update/run_folders.h"

namespace updater {

namespace {

bool IsLocalDrive(DriveType type) {
  return type == DriveType::Removable || type == DriveType::Fixed;
}

}  // namespace

std::string FormatRunStamp(Clock::TimePoint t) {
  CalendarTime c = LocalCalendarTime(t);
  return TwoDigits(c.day) + TwoDigits(c.month) + TwoDigits(c.year) + TwoDigits(c.hour) +
         TwoDigits(c.minute) + TwoDigits(c.second);
}

UpdateContext UpdateInit(Clock& clock, Operator& op, const ProjectProfile& profile,
                         const std::string& product_folder) {
  op.SaveExceptionToLog(GetMessageText(msg::uUpdate_UpdateInit_1));
  op.ProcessMessages();

  const std::string product_dir = FullPath(product_folder);
  // Longer paths would be cut by the platform calls or refused by them later.
  if (product_dir.size() > MaxPathLength()) {
    throw Error(GetMessageText(msg::uUpdate_UpdateInit_5, product_dir,
                               std::to_string(product_dir.size()),
                               std::to_string(MaxPathLength())));
  }
  if (!DirectoryExists(product_dir)) {
    throw Error(GetMessageText(msg::uUpdate_UpdateInit_2, product_dir));
  }
  const std::string root = DrivePart(product_dir);
  if (root.empty() || !IsLocalDrive(DriveTypeOfRoot(root))) {
    throw Error(GetMessageText(msg::uUpdate_UpdateInit_3, product_dir));
  }

  UpdateContext c;
  c.ProductDir = product_dir;
  c.ProgramDir = JoinPath(product_dir, kProgramPart);
  c.ResourcesDir = JoinPath(product_dir, kResourcesPart);
  c.DbDataDir = JoinPath(product_dir, kDbDataPart);

  const RunFolders run(JoinPath(product_dir, kRunFolderPrefix + FormatRunStamp(clock.Now())));
  c.TempDir = run.temp;
  c.NewDir = run.unpacked;
  c.OldDir = run.backup;
  c.OldDbDataDir = run.BackupOf(kDbDataPart);
  c.WorkDir = run.work;
  c.OldProgramDir = run.BackupOf(kProgramPart);
  c.WorkProgramDir = run.WorkOf(kProgramPart);
  c.OldResourcesDir = run.BackupOf(kResourcesPart);
  c.WorkResourcesDir = run.WorkOf(kResourcesPart);
  c.WorkDbDataDir = run.WorkOf(kDbDataPart);
  c.OldOtherDir = run.backup_other;

  c.DbPath = profile.ServerPrefix + JoinPath(c.DbDataDir, profile.DbFileName);
  c.WorkDbPath = profile.ServerPrefix + JoinPath(c.WorkDbDataDir, profile.DbFileName);

  c.HasClientPart = FileExists(JoinPath(c.ProgramDir, profile.ExeFileName));
  c.HasServerPart = FileExists(JoinPath(c.DbDataDir, profile.DbFileName));

  op.SaveExceptionToLog(GetMessageText(msg::uUpdate_UpdateInit_4));
  op.ProcessMessages();
  return c;
}

}  // namespace updater
