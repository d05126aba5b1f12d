#include <algorithm>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "update/run_state.h"

namespace updater {

// Before the swap a failure or a request to stop rolls the run back; once the swap has begun
// the run completes, and what the swap could not do is told after the final step.
std::span<const UpdateRun::RunStage> UpdateRun::Stages() {
  static const RunStage stages[] = {
      // Attached users or the server-stop warning, shutdown, server stop, free space, restart.
      {.progress = RunStep::ServerPreparation,
       .part = &UpdateContext::HasServerPart,
       .work = &UpdateRun::PrepareServer,
       .undo = Undo::Nothing},
      // Lock test, working folders, payload, backup and working copies; records "staging done"
      // itself, before the request to stop it takes at its end.
      {.progress = RunStep::Staging,
       .work = &UpdateRun::Stage,
       .stop = StopPoint::Before,
       .undo = Undo::FinalStep},
      {.progress = RunStep::DatabaseUpdate,
       .part = &UpdateContext::HasServerPart,
       .work = &UpdateRun::UpdateDatabase,
       .done = JournalStage::DatabaseUpdated,
       .written = {&UpdateContext::WorkDbDataDir},
       .stop = StopPoint::After,
       .undo = Undo::Rollback},
      {.progress = RunStep::ClientUpdate,
       .part = &UpdateContext::HasClientPart,
       .work = &UpdateRun::UpdateClient,
       .done = JournalStage::ClientUpdated,
       .written = {&UpdateContext::WorkDir, &UpdateContext::OldDir},
       .stop = StopPoint::After,
       .undo = Undo::Rollback},
      // Records its own stages, part by part.
      {.progress = RunStep::Swap, .work = &UpdateRun::Swap, .undo = Undo::FinalStep},
  };
  return stages;
}

void UpdateRun::Run() {
  // Never a second run over one that died half-way.
  RefuseOverUnfinishedRun(product_dir_text_);
  Step(RunStep::Detection);
  c_ = UpdateInit(f_.clock, op_, profile_, product_dir_text_);
  if (settings_.observer != nullptr)
    settings_.observer->PartsFound(c_.HasClientPart, c_.HasServerPart);
  if (AtCarriedRelease()) return;
  DetectAndConfirm();
  ForgetRelease(c_.ProductDir);
  try {
    RunStages();
    FinalStep();
  } catch (const Interrupted&) {
    EndJournal(JournalOutcome::Interrupted);
    throw;
  } catch (...) {
    EndJournal(rolled_back_ ? JournalOutcome::RolledBack : JournalOutcome::Failed);
    throw;
  }
  EndJournal(swap_.error.empty() ? JournalOutcome::Success : JournalOutcome::Failed);
  if (!swap_.error.empty()) RaiseSwapFailure();
  RememberCarriedRelease();
  if (f_.stop != nullptr && f_.stop->Requested()) LogKey(msg::uUpdate_Stop_5);
}

void UpdateRun::RunStages() {
  for (const RunStage& stage : Stages()) {
    if (stage.part != nullptr && !(c_.*stage.part)) continue;
    try {
      if (stage.stop == StopPoint::Before) StopIfAsked();
      Step(stage.progress);
      (this->*stage.work)();
      std::vector<std::string> written(stage.written.size());
      std::transform(stage.written.begin(), stage.written.end(), written.begin(),
                     [this](std::string UpdateContext::*folder) { return c_.*folder; });
      if (stage.done) Record(*stage.done, written);
      if (stage.stop == StopPoint::After) StopIfAsked();
    } catch (...) {
      UndoStage(stage.undo, std::current_exception());
    }
  }
}

void UpdateRun::UndoStage(Undo undo, const std::exception_ptr& error) {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const Interrupted& e) {
      if (undo == Undo::Rollback) Rollback(e.what(), true);
      throw;
    } catch (const std::exception& e) {
      if (undo == Undo::Rollback) {
        op_.MessageDlg(DialogKind::Error, e.what(), {DialogButton::OK}, DialogButton::OK);
        Rollback(e.what());
      }
      throw;
    }
  } catch (...) {
    if (undo != Undo::Nothing) FinalStep();
    throw;
  }
}

}  // namespace updater
