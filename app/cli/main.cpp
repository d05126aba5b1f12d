// updater-cli: the window's commands for scripted and fleet-wide updates.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_operator.h"
#include "app/cli_progress.h"
#include "app/command_runner.h"
#include "app/engine_commands.h"
#include "app/message_listing.h"
#include "app/password_source.h"
#include "app/process_arguments.h"
#include "app/run_report.h"
#include "app/startup.h"
#include "app/terminal.h"
#include "db/client_library.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "seams/application_title.h"
#include "seams/progress.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/path.h"
#include "sys/stop_request.h"
#include "update/carried_libraries.h"

namespace updater {
namespace {

// What the operator typed; an option left out keeps the profile's preset, an empty
// one is passed on empty (the engine then names the missing value).
struct ConnectionOptions {
  std::optional<std::string> product_dir;
  std::optional<std::string> password;
  std::optional<std::string> password_file;
  std::optional<std::string> admn_password;
  std::optional<std::string> admn_password_file;
};

constexpr const char* kSysdbaPasswordVariable = "UPDATER_SYSDBA_PASSWORD";
constexpr const char* kAdmnPasswordVariable = "UPDATER_ADMN_PASSWORD";

// Passwords come from the options, their files, the environment or the terminal, so they
// need not stand in the process list; a file that cannot be used is an error of the command.
void ApplyOptions(const ConnectionOptions& options, bool needs_admn_password,
                  const PasswordPrompt& prompt, ProjectProfile& profile) {
  if (options.product_dir) profile.ProductDir = *options.product_dir;
  profile.SystemPassword =
      ResolvePassword({"SYSDBA", options.password, options.password_file, kSysdbaPasswordVariable},
                      profile.SystemPassword, prompt);
  if (needs_admn_password) {
    profile.AdmnPassword = ResolvePassword(
        {"ADMN", options.admn_password, options.admn_password_file, kAdmnPasswordVariable},
        profile.AdmnPassword, prompt);
  }
}

int RunEngineCommand(CliOperator& op, const Facilities& facilities, const EngineCommand& command,
                     const ConnectionOptions& options, const PasswordPrompt& prompt,
                     ProjectProfile profile, const std::optional<std::string>& report_file,
                     bool json) {
  std::optional<RunReport> report;
  if (report_file) {
    report.emplace(facilities.clock, command.name,
                   FullPath(options.product_dir.value_or(profile.ProductDir)));
  }
  // Written whatever the outcome; a report that cannot be written leaves the run's code.
  auto finish = [&](int code) {
    if (report) {
      try {
        WriteReportFile(*report_file, report->Json(code, op.LogFile(), op.LastMessage()));
      } catch (const std::exception& e) {
        op.ShowMessage(DialogKind::Error, kApplicationTitle, e.what());
      }
    }
    return code;
  };
  try {
    // As the window does at creation: the libraries first, then the run log.
    WriteCarriedLibraries();
    op.CreateRunLog(facilities.clock, ExecutableFolder());
  } catch (const std::exception& e) {
    // No run log yet, so nothing but the box.
    op.ShowMessage(DialogKind::Error, kApplicationTitle, e.what());
    return finish(kExitError);
  }
  CommandContext context{op, facilities, std::move(profile)};
  if (report) context.observer = &*report;
  if (json) {
    op.SetLogOnScreen(false);
    context.document = &std::cout;
  }
  return finish(RunCommand(context, [&](CommandContext& c) {
    ApplyOptions(options, command.needs_admn_password, prompt, c.profile);
    command.run(c);
  }));
}

// The first word that is neither an option nor the language option's value, when it names no
// command: CLI11 would only say that a command is required.
std::optional<std::string> UnknownCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-l" || arg == "--language") {
      ++i;
      continue;
    }
    if (arg.empty() || arg[0] == '-') continue;
    const auto& commands = EngineCommands();
    const bool known = arg == "messages" || std::any_of(commands.begin(), commands.end(),
                                                        [&](const EngineCommand& command) {
                                                          return command.name == arg;
                                                        });
    if (known) return std::nullopt;
    return arg;
  }
  return std::nullopt;
}

int Main(int argc, char** argv, StopRequest& stop) {
  AnswerStopRequests(stop);
  const ProjectProfile preset = PresetProfile();
  CLI::App app{
      "Brings an installed DunVeld up to the version this program carries, or "
      "switches its database and server, without a window.",
      "updater-cli"};
  app.require_subcommand(1);
  app.fallthrough();  // --yes and --language may also follow the command
  bool assume_yes = false;
  std::optional<int> language;
  app.add_flag("-y,--yes", assume_yes, "Answer every question with Yes instead of asking");
  app.add_option("-l,--language", language,
                 "Language of the texts: 1 programmer, 2 Russian, 3 English, 4 German, "
                 "5 French (default: from the locale)");
  double wait_scale = 1.0;
  app.add_option("--wait-scale", wait_scale,
                 "Factor in (0, 1] for the fixed pauses around service stops and starts and "
                 "database shutdowns; only for service managers that confirm readiness "
                 "themselves")
      ->default_str("1");
  std::string progress_mode = "auto";
  bool quiet = false;
  CLI::Option* progress_option =
      app.add_option("--progress", progress_mode,
                     "How long steps show their progress on standard error: auto (one line "
                     "rewritten in place on a terminal, nothing otherwise), plain (one line per "
                     "step), off")
          ->check(CLI::IsMember({"auto", "plain", "off"}))
          ->default_str("auto");
  app.add_flag("-q,--quiet", quiet, "No progress display (the same as --progress off)")
      ->excludes(progress_option);

  ConnectionOptions options;
  std::optional<std::string> report_file;
  bool json = false;
  const EngineCommand* chosen = nullptr;
  for (const EngineCommand& command : EngineCommands()) {
    CLI::App* sub = app.add_subcommand(command.name, command.description);
    sub->add_option("-d,--product-dir", options.product_dir, "Folder of the installed product")
        ->default_str(preset.ProductDir);
    CLI::Option* password =
        sub->add_option("-p,--password", options.password,
                        "Password of the SYSDBA user; visible in the process list, prefer "
                        "--password-file or " +
                            std::string(kSysdbaPasswordVariable))
            ->default_str("asked on a terminal, else the preset one");
    sub->add_option("--password-file", options.password_file,
                    "File whose first line is the SYSDBA password; only its owner may access it")
        ->excludes(password);
    if (command.needs_admn_password) {
      CLI::Option* admn =
          sub->add_option("-a,--admn-password", options.admn_password,
                          "Password of the product's ADMN user; visible in the process list, "
                          "prefer --admn-password-file or " +
                              std::string(kAdmnPasswordVariable))
              ->default_str("asked on a terminal, else the preset one");
      sub->add_option("--admn-password-file", options.admn_password_file,
                      "File whose first line is the ADMN password; only its owner may access it")
          ->excludes(admn);
    }
    if (command.name == "check") {
      sub->add_flag("--json", json,
                    "Print one JSON object for machines instead of the table; the run log keeps "
                    "the table");
    }
    if (command.name == "update" || command.name == "recover") {
      sub->add_option("--report", report_file,
                      "Write a JSON account of the run to this file at its end, whatever the "
                      "outcome");
    }
    sub->callback([&chosen, &command] { chosen = &command; });
  }

  std::vector<std::string> keys;
  std::vector<std::string> params;
  CLI::App* messages = app.add_subcommand(
      "messages", "Print catalogue messages in every language (a default set without keys)");
  messages->add_option("keys", keys, "Message keys, such as uMain_Finished_1");
  messages->add_option("-P,--param", params, "Values for {0}, {1}, ... in order")
      ->allow_extra_args(false);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (const auto unknown = UnknownCommand(argc, argv)) {
      std::cerr << "Unknown command \"" << *unknown << "\"; " << app.get_name()
                << " --help lists the commands.\n";
      return kExitError;
    }
    return app.exit(e) == 0 ? kExitSuccess : kExitError;
  }

  std::optional<PauseScalingClock> scaled_clock;
  try {
    scaled_clock.emplace(wait_scale);
  } catch (const Error& e) {
    std::cerr << "--wait-scale: " << e.what() << '\n';
    return kExitError;
  }

  // Progress goes to standard error only, never to the log on standard output or the file.
  std::optional<CliProgress> progress;
  if (!quiet && progress_mode == "plain") {
    progress.emplace(*scaled_clock, std::cerr, ProgressStyle::Plain);
  } else if (!quiet && progress_mode == "auto" && StderrIsTerminal()) {
    progress.emplace(*scaled_clock, std::cerr, ProgressStyle::Line, &StderrColumns);
  }
  if (progress) progress->ShowStopRequests(&stop);
  const Facilities facilities{*scaled_clock,
                              progress ? static_cast<Progress&>(*progress) : SilentProgress(),
                              PlatformServiceControl(), SystemServerProcesses(), &stop};

  const bool terminal = StdinIsTerminal();
  CliOperator op(std::cin, std::cout, std::cerr, assume_yes);
  if (!terminal) op.SetNoTerminal();
  if (progress) op.SetProgressLine(&*progress);
  std::optional<ProjectProfile> profile = StartWithoutWindow(op);
  if (!profile) return kExitError;
  if (language) {
    try {
      ChangeLanguage(op, *language);
    } catch (const std::exception& e) {
      op.MessageDlg(DialogKind::Error, e.what(), {DialogButton::OK}, DialogButton::OK);
      return kExitError;
    }
  }

  if (messages->parsed()) {
    std::vector<std::string> unknown =
        PrintMessages(std::cout, keys.empty() ? DefaultMessageKeys() : keys, params);
    for (const std::string& key : unknown)
      std::cerr << "Not in the message catalogue: " << key << '\n';
    return unknown.empty() ? kExitSuccess : kExitError;
  }
  // Under --yes nobody is asked anything, passwords included.
  PasswordPrompt prompt;
  if (terminal && !assume_yes) {
    prompt = [](const std::string& text) { return ReadHiddenLine(std::cerr, text); };
  }
  return RunEngineCommand(op, facilities, *chosen, options, prompt, std::move(*profile),
                          report_file, json);
}

}  // namespace
}  // namespace updater

int main(int argc, char** argv) {
  // First of all, before any thread: the stop signals are ours, not the client library's.
  updater::SaveTerminalSettings();
  static updater::StopRequest stop;
  std::vector<std::string> arguments;
  try {
    updater::WatchStopSignals(stop);
    updater::db::RefuseClientShutdownOnSignals();
    arguments = updater::ProcessArguments(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return updater::kExitError;
  }
  std::vector<char*> words;
  for (std::string& argument : arguments) words.push_back(argument.data());
  words.push_back(nullptr);
  return updater::Main(static_cast<int>(arguments.size()), words.data(), stop);
}
