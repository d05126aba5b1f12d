// The statement splitter fed the same script whole and in pieces of sizes the input chooses:
// both must give the same statements, the same terminators and the same error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scriptlib/statement_splitter.h"

namespace {

struct Outcome {
  std::vector<std::string> texts;
  std::vector<std::size_t> lines;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

void Collect(updater::scriptlib::StatementSplitter& splitter, Outcome& outcome) {
  try {
    while (auto statement = splitter.Next()) {
      outcome.texts.push_back(statement->text);
      outcome.lines.push_back(statement->line);
    }
  } catch (const updater::scriptlib::ScriptSyntaxError& e) {
    outcome.error = e.what();
  }
}

Outcome Split(std::string_view script, const std::vector<std::size_t>& sizes) {
  updater::scriptlib::StatementSplitter splitter;
  Outcome outcome;
  std::size_t at = 0;
  for (std::size_t i = 0; at < script.size(); ++i) {
    const std::size_t size = sizes.empty() ? script.size() : sizes[i % sizes.size()];
    splitter.Feed(script.substr(at, size));
    at += size;
    Collect(splitter, outcome);
  }
  splitter.Finish();
  Collect(splitter, outcome);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first bytes choose the piece sizes (1 to 16), the rest is the script.
  const std::size_t count = size > 0 ? data[0] % 8 + 1 : 0;
  if (size < count + 1) return 0;
  std::vector<std::size_t> sizes;
  for (std::size_t i = 1; i <= count; ++i) sizes.push_back(data[i] % 16 + 1);
  const std::string_view script(reinterpret_cast<const char*>(data) + count + 1,
                                size - count - 1);
  if (!(Split(script, {}) == Split(script, sizes))) std::abort();
  return 0;
}
