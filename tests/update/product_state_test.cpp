// The release record: what makes a product count as already at the carried release.
#include "update/product_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "seams/project_profile.h"
#include "sys/error.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::TempFolder;

const std::string kCarried(64, 'a');
const std::string kOther(64, 'b');

struct Site {
  TempFolder folder;
  std::string product = folder / "DunVeld";
  std::string fb_root = folder / "Firebird";
  DatabaseStamp stamp{.created = 7005, .next_transaction = 420};
  bool database_readable = true;

  Site() {
    testing::WriteFile(product + "/Program/DunVeld.exe", "version 2");
    testing::WriteFile(product + "/Program/DunVeld.chm", "help 2");
    testing::WriteFile(product + "/DB_Data/DunVeld.fdb", "pages");
    testing::WriteFile(fb_root + "/udf/Dv_UDF_u8.dll", "library 2");
  }
  ReleaseLayout Layout(ProductParts parts = {true, true}) const {
    return LiveReleaseLayout(PresetProfile(), product, parts, fb_root);
  }
  DatabaseProbe Probe() {
    return [this](const std::string& file) -> std::optional<DatabaseStamp> {
      EXPECT_EQ(file, Layout().database);
      if (!database_readable) return std::nullopt;
      return stamp;
    };
  }
  InstalledRelease Find(ProductParts parts = {true, true}) {
    return FindInstalledRelease(product, kCarried, Layout(parts), Probe());
  }
};

struct Case {
  const char* name;
  std::function<void(Site&)> change;
  ReleaseState expected;
  std::string (*changed)(const Site&);  // the path named for Changed
  ProductParts parts = {true, true};
};

std::string Nothing(const Site&) {
  return "";
}
std::string Program(const Site& s) {
  return s.Layout().files[0];
}
std::string Library(const Site& s) {
  return s.Layout().files[2];
}
std::string Database(const Site& s) {
  return s.Layout().database;
}
std::string Product(const Site& s) {
  return s.product;
}

const Case kCases[] = {
    {"left as the run left it", [](Site&) {}, ReleaseState::Current, Nothing},
    {"used since: more transactions", [](Site& s) { s.stamp.next_transaction += 50; },
     ReleaseState::Current, Nothing},
    {"program replaced by hand",
     [](Site& s) { testing::WriteFile(s.product + "/Program/DunVeld.exe", "version 1"); },
     ReleaseState::Changed, Program},
    {"function library gone",
     [](Site& s) { std::filesystem::remove(s.fb_root + "/udf/Dv_UDF_u8.dll"); },
     ReleaseState::Changed, Library},
    {"database copied back from before the run", [](Site& s) { s.stamp.next_transaction -= 1; },
     ReleaseState::Changed, Database},
    {"database restored from a backup", [](Site& s) { s.stamp.created += 1; },
     ReleaseState::Changed, Database},
    {"database that does not attach", [](Site& s) { s.database_readable = false; },
     ReleaseState::Changed, Database},
    {"product without its server part now",
     [](Site&) {},
     ReleaseState::Changed,
     Product,
     {true, false}},
    {"record of another release",
     [](Site& s) {
       std::string text = testing::ReadFile(s.product + "/" + kReleaseRecordName);
       text.replace(text.find(kCarried), 64, kOther);
       testing::WriteFile(s.product + "/" + kReleaseRecordName, text);
     },
     ReleaseState::Other, Nothing},
    {"record cut short",
     [](Site& s) {
       const std::string text = testing::ReadFile(s.product + "/" + kReleaseRecordName);
       testing::WriteFile(s.product + "/" + kReleaseRecordName, text.substr(0, text.size() - 4));
     },
     ReleaseState::None, Nothing},
    {"record removed when a run begins", [](Site& s) { ForgetRelease(s.product); },
     ReleaseState::None, Nothing},
};

TEST(ReleaseRecordTest, ProductCountsAsCurrentOnlyAsTheRunLeftIt) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Site site;
    RememberRelease(site.product, kCarried, site.Layout(), site.Probe());
    c.change(site);
    const InstalledRelease found = site.Find(c.parts);
    EXPECT_EQ(found.state, c.expected);
    EXPECT_EQ(found.changed, c.changed(site));
  }
}

TEST(ReleaseRecordTest, CopiedWithTheFolderItSpeaksOfTheOldPlace) {
  Site site;
  RememberRelease(site.product, kCarried, site.Layout(), site.Probe());
  const std::string copy = site.folder / "Copy";
  std::filesystem::copy(site.product, copy, std::filesystem::copy_options::recursive);
  const InstalledRelease found = FindInstalledRelease(
      copy, kCarried, LiveReleaseLayout(PresetProfile(), copy, {true, true}, site.fb_root),
      site.Probe());
  EXPECT_EQ(found.state, ReleaseState::Changed);
}

TEST(ReleaseRecordTest, NoRecordIsLeftWhenTheDatabaseCannotBeRead) {
  Site site;
  site.database_readable = false;
  EXPECT_THROW(RememberRelease(site.product, kCarried, site.Layout(), site.Probe()), Error);
  EXPECT_EQ(site.Find().state, ReleaseState::None);
}

}  // namespace
}  // namespace updater
