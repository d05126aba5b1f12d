#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "messages/ldm.h"
#include "sys/error.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_folder.h"

namespace updater::testing {

// A fresh folder, the messages in language 3, and ways to see what an operation left behind.
class FolderOpsFixture : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }

  // Every path below `root`, relative, with file contents and link targets.
  static std::set<std::string> Listing(const std::string& root) {
    namespace fs = std::filesystem;
    std::set<std::string> items;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      std::string rel = fs::relative(it->path(), root).generic_string();
      if (it->is_symlink()) {
        items.insert(rel + " -> " + fs::read_symlink(it->path()).string());
      } else if (it->is_directory()) {
        items.insert(rel + "/");
      } else {
        items.insert(rel + " = " + ReadFile(it->path().string()));
      }
    }
    return items;
  }

  TempFolder folder;
};

}  // namespace updater::testing
