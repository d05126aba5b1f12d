#include <sys/wait.h>

#include "tests/e2e/cli_process.h"

namespace updater::testing {

std::string CliFileName() {
  return "updater-cli";
}

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& scratch, const std::string& input,
                         const std::string& env) {
  std::filesystem::path in = scratch / "stdin", out = scratch / "stdout", err = scratch / "stderr";
  std::ofstream(in, std::ios::binary) << input;
  std::string command = env + " " + ShellQuote(program.string());
  for (const std::string& a : args) command += " " + ShellQuote(a);
  command += " <" + ShellQuote(in.string()) + " >" + ShellQuote(out.string()) + " 2>" +
             ShellQuote(err.string());
  int status = std::system(command.c_str());
  ProcessResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  return result;
}

}  // namespace updater::testing
