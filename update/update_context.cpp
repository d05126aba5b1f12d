#include "update/update_context.h"

#include <cstdio>

#include "messages/message_text.h"
#include "sys/calendar_time.h"
#include "sys/drive_type.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/text.h"

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
  c.ProgramDir = JoinPath(product_dir, "Program");
  c.ResourcesDir = JoinPath(product_dir, "Resources");
  c.DbDataDir = JoinPath(product_dir, "DB_Data");

  const std::string stamp = FormatRunStamp(clock.Now());
  c.TempDir = JoinPath(product_dir, "Tmp$" + stamp);
  c.NewDir = JoinPath(c.TempDir, "New");
  c.OldDir = JoinPath(c.TempDir, "Old");
  c.OldDbDataDir = JoinPath(c.OldDir, "DB_Data");
  c.WorkDir = JoinPath(c.TempDir, "Wrk");
  c.OldProgramDir = JoinPath(c.OldDir, "Program");
  c.WorkProgramDir = JoinPath(c.WorkDir, "Program");
  c.OldResourcesDir = JoinPath(c.OldDir, "Resources");
  c.WorkResourcesDir = JoinPath(c.WorkDir, "Resources");
  c.WorkDbDataDir = JoinPath(c.WorkDir, "DB_Data");
  c.OldOtherDir = JoinPath(c.OldDir, "Other");

  c.DbPath = profile.ServerPrefix + JoinPath(c.DbDataDir, profile.DbFileName);
  c.WorkDbPath = profile.ServerPrefix + JoinPath(c.WorkDbDataDir, profile.DbFileName);

  c.HasClientPart = FileExists(JoinPath(c.ProgramDir, profile.ExeFileName));
  c.HasServerPart = FileExists(JoinPath(c.DbDataDir, profile.DbFileName));

  op.SaveExceptionToLog(GetMessageText(msg::uUpdate_UpdateInit_4));
  op.ProcessMessages();
  return c;
}

}  // namespace updater
