#include <windows.h>

#include <memory>

#include "sys/utf16_win.h"
#include "sys/win_handle.h"
#include "tests/e2e/cli_process.h"

namespace updater::testing {

namespace {

// One argument as the C runtime's parser reads it back: quoted, backslashes before a quote
// doubled, quotes escaped.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

win::UniqueHandle Inheritable(const std::filesystem::path& file, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return win::UniqueHandle(::CreateFileW(file.wstring().c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The console's CR LF line ends as LF, as the expectations are written; a bare CR stays.
std::string LineFeedsOnly(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

}  // namespace

std::string CliFileName() {
  return "updater-cli.exe";
}

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& scratch, const std::string& input,
                         const std::string& env) {
  std::filesystem::path in = scratch / "stdin", out = scratch / "stdout", err = scratch / "stderr";
  std::ofstream(in, std::ios::binary) << input;
  ProcessResult result;
  {
    // The child inherits this process's environment.
    std::vector<std::unique_ptr<ScopedEnv>> variables;
    std::size_t at = 0;
    while (at < env.size()) {
      std::size_t end = env.find(' ', at);
      if (end == std::string::npos) end = env.size();
      const std::string pair = env.substr(at, end - at);
      const std::size_t equals = pair.find('=');
      if (equals != std::string::npos) {
        variables.push_back(
            std::make_unique<ScopedEnv>(pair.substr(0, equals).c_str(), pair.substr(equals + 1)));
      }
      at = end + 1;
    }
    win::UniqueHandle in_file = Inheritable(in, GENERIC_READ, OPEN_EXISTING);
    win::UniqueHandle out_file = Inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    win::UniqueHandle err_file = Inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    if (!in_file.ok() || !out_file.ok() || !err_file.ok()) {
      result.err = "cannot open the standard streams' files in " + scratch.string();
      return result;
    }
    std::wstring command = Quoted(program.wstring());
    for (const std::string& a : args) command += L" " + Quoted(win::Utf16(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in_file.get();
    startup.hStdOutput = out_file.get();
    startup.hStdError = err_file.get();
    PROCESS_INFORMATION info{};
    // Wine under load now and then fails a start with an internal error before the program
    // runs; a real failure to start repeats.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
      if (attempt > 0) ::Sleep(200);
      started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &info) != FALSE;
      error = started ? 0 : ::GetLastError();
      if (error != ERROR_INTERNAL_ERROR) break;
    }
    if (!started) {
      result.err = "CreateProcessW failed: " + win::SystemErrorText(error);
      return result;
    }
    win::UniqueHandle process(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.get(), &code)) result.exit_code = static_cast<int>(code);
  }
  result.out = LineFeedsOnly(ReadFile(out.string()));
  result.err = LineFeedsOnly(ReadFile(err.string()));
  return result;
}

}  // namespace updater::testing
