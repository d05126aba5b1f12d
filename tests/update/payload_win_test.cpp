#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "resources/payload_stub/payload_format.h"
#include "sys/run_program.h"
#include "tests/update/payload_fixture.h"

namespace updater {
namespace {

using namespace payload_testing;
namespace format = payload_format;

// The carried archive is our own stub program with the files behind it.
class PayloadStubTest : public PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    carried = CarriedArchive();
    ASSERT_GT(carried.size(), format::kTrailerSize);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(carried.data());
    const auto first =
        format::detail::Read({bytes, carried.size()}, carried.size() - format::kTrailerSize, 8);
    ASSERT_LT(first, carried.size());
    stub = carried.substr(0, first);
  }

  // The stub with the entries given as they are, unchecked names included.
  std::string WithEntries(const std::vector<std::pair<std::string, std::string>>& entries) const {
    std::vector<std::uint8_t> out(stub.begin(), stub.end());
    for (const auto& [name, content] : entries) {
      format::detail::Append(out, name.size(), 4);
      out.insert(out.end(), name.begin(), name.end());
      format::detail::Append(out, content.size(), 8);
      out.insert(out.end(), content.begin(), content.end());
    }
    format::detail::Append(out, stub.size(), 8);
    format::detail::Append(out, entries.size(), 8);
    out.insert(out.end(), std::begin(format::kMagic), std::end(format::kMagic));
    return std::string(out.begin(), out.end());
  }

  // Every file under `root`, relative, with '/' between the parts.
  static std::set<std::string> FilesUnder(const std::string& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) {
        files.insert(fs::relative(entry.path(), root).generic_string());
      }
    }
    return files;
  }

  std::string carried;
  std::string stub;
};

TEST_F(PayloadStubTest, WritesNothingFromAnArchiveItCannotTrustOrWhereItCannotWrite) {
  struct Case {
    const char* what;
    std::function<std::string()> archive;
    std::function<void(const std::string& run)> before;
    int exit_code;
    std::set<std::string> files;  // under the folder above the one it runs in
  };
  const auto good = [&] { return WithEntries({{"good.txt", "good"}, {"b.txt", "b"}}); };
  const auto unsafe = [&](const std::string& name) {
    return [&, name] { return WithEntries({{"good.txt", "good"}, {name, "evil"}}); };
  };
  const auto none = [](const std::string&) {};
  const Case cases[] = {
      {"whole", good, none, 0, {"in/files.exe", "in/good.txt", "in/b.txt"}},
      {"read-only file replaced",
       good,
       [](const std::string& run) {
         testing::WriteFile(run + "/good.txt", "old");
         fs::permissions(run + "/good.txt", fs::perms::owner_read);
       },
       0,
       {"in/files.exe", "in/good.txt", "in/b.txt"}},
      {"trailer cut off",
       [&] { return carried.substr(0, carried.size() - 10); },
       none,
       1,
       {"in/files.exe"}},
      {"no mark",
       [&] { return carried.substr(0, carried.size() - 1) + "X"; },
       none,
       1,
       {"in/files.exe"}},
      {"entries cut out",
       [&] {
         return carried.substr(0, carried.size() / 2) +
                carried.substr(carried.size() - format::kTrailerSize);
       },
       none,
       1,
       {"in/files.exe"}},
      {"stub alone", [&] { return stub; }, none, 1, {"in/files.exe"}},
      {"parent", unsafe("..\\evil.txt"), none, 1, {"in/files.exe"}},
      {"parent, slash", unsafe("../evil.txt"), none, 1, {"in/files.exe"}},
      {"subfolder", unsafe("sub\\evil.txt"), none, 1, {"in/files.exe"}},
      {"absolute", unsafe("\\evil.txt"), none, 1, {"in/files.exe"}},
      {"drive", unsafe("C:evil.txt"), none, 1, {"in/files.exe"}},
      {"empty", unsafe(""), none, 1, {"in/files.exe"}},
      {"device", unsafe("nul.txt"), none, 1, {"in/files.exe"}},
      {"cannot write",
       good,
       [](const std::string& run) { fs::create_directories(run + "/b.txt/x"); },
       1,
       {"in/files.exe", "in/good.txt"}},
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string top = folder / ("case" + std::to_string(i++));
    const std::string run = top + "/in";
    fs::create_directories(run);
    c.before(run);
    const std::string exe = run + "/files.exe";
    testing::WriteFile(exe, c.archive());
    EXPECT_EQ(RunAndWait(op, exe, std::nullopt, 1), c.exit_code);
    EXPECT_EQ(FilesUnder(top), c.files);
    if (c.exit_code == 0) {
      EXPECT_EQ(testing::ReadFile(run + "/good.txt"), "good");
    }
  }
}

}  // namespace
}  // namespace updater
