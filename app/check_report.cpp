#include "app/check_report.h"

#include <array>

#include "app/json_text.h"
#include "messages/message_text.h"

namespace updater {

namespace {

// In the order of CheckVerdict and ReleaseState.
constexpr std::array<const char*, 4> kMarks = {"[+]", "[!]", "[x]", "[-]"};
constexpr std::array<const char*, 4> kVerdictNames = {"pass", "warn", "fail", "skip"};
constexpr std::array<const char*, 4> kReleaseStateNames = {"none", "current", "other", "changed"};
static_assert(static_cast<std::size_t>(CheckVerdict::Skip) + 1 == kMarks.size());
static_assert(static_cast<std::size_t>(ReleaseState::Changed) + 1 == kReleaseStateNames.size());

const char* Mark(CheckVerdict verdict) {
  return kMarks.at(static_cast<std::size_t>(verdict));
}
const char* VerdictName(CheckVerdict verdict) {
  return kVerdictNames.at(static_cast<std::size_t>(verdict));
}
const char* ReleaseStateName(ReleaseState state) {
  return kReleaseStateNames.at(static_cast<std::size_t>(state));
}

std::string Indented(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\r') continue;
    out += ch;
    if (ch == '\n') out += "      ";
  }
  return out;
}

}  // namespace

std::string CheckTable(const PreflightReport& report) {
  std::string table = GetMessageText(msg::uCheck_Title, report.product_dir) + "\n";
  for (const CheckItem& item : report.items)
    table += "  " + std::string(Mark(item.verdict)) + " " + Indented(item.text) + "\n";
  if (!report.WouldStart()) {
    table += GetMessageText(msg::uCheck_WouldNotStart, std::to_string(report.Failures().size()));
  } else if (report.AlreadyCurrent()) {
    table += GetMessageText(msg::uCheck_WouldChangeNothing);
  } else {
    table += GetMessageText(msg::uCheck_WouldStart);
  }
  return table + "\n";
}

std::string CheckJson(const PreflightReport& report) {
  std::vector<std::string> checks;
  std::vector<std::string> reasons;
  for (const CheckItem& item : report.items) {
    checks.push_back(JsonObject()
                         .Add("name", item.name)
                         .Add("verdict", VerdictName(item.verdict))
                         .Add("text", item.text)
                         .Text());
  }
  if (!report.WouldStart()) {
    for (const CheckItem* item : report.Failures())
      reasons.push_back(JsonObject().Add("name", item->name).Add("text", item->text).Text());
  }
  std::vector<std::string> holders;
  for (const PathHolder& holder : report.holders) {
    holders.push_back(JsonObject()
                          .Add("pid", static_cast<std::int64_t>(holder.pid))
                          .Add("program", holder.program)
                          .Add("path", holder.path)
                          .Text());
  }
  JsonObject json;
  json.Add("check_version", std::int64_t{1})
      .Add("product_dir", report.product_dir)
      .Add("would_start", report.WouldStart())
      .Add("already_current", report.AlreadyCurrent())
      .Add("parts", JsonObject()
                        .Add("client", report.parts.has_client)
                        .Add("server", report.parts.has_server))
      .Add("release", JsonObject()
                          .Add("carried", report.carried_release)
                          .Add("installed", report.installed.release)
                          .Add("state", ReleaseStateName(report.installed.state)));
  if (report.server_found) {
    json.Add("server", JsonObject()
                           .Add("service", report.server.ServiceName)
                           .Add("type", report.server.ServerType)
                           .Add("root", report.server.FbRootDir)
                           .Add("state", report.service_state));
  } else {
    json.AddNull("server");
  }
  if (report.unfinished_journal.empty()) {
    json.AddNull("unfinished_run");
  } else {
    json.Add("unfinished_run", JsonObject().Add("journal", report.unfinished_journal));
  }
  return json.AddRaw("attached_users", JsonStringArray(report.attached_users))
             .Add("free_space",
                  JsonObject()
                      .Add("needed_bytes", static_cast<std::int64_t>(report.needed_bytes))
                      .Add("free_bytes", static_cast<std::int64_t>(report.free_bytes)))
             .AddRaw("lock_holders", JsonArray(holders))
             .AddRaw("checks", JsonArray(checks))
             .AddRaw("reasons", JsonArray(reasons))
             .Text() +
         "\n";
}

}  // namespace updater
