#include <gtest/gtest.h>

#include <ibase.h>

#include <string>
#include <vector>

#include "db/info_reply.h"

namespace updater::db {
namespace {

// One isc_info_user_names item as the server writes it.
std::string UserItem(const std::string& name) {
  const std::size_t inner = name.size() + 1;
  std::string item;
  item += static_cast<char>(isc_info_user_names);
  item += static_cast<char>(inner & 0xFF);
  item += static_cast<char>(inner >> 8);
  item += static_cast<char>(name.size());
  item += name;
  return item;
}

using Names = std::vector<std::string>;

TEST(DecodeUserNamesTest, ReadsNamesInOrderWithDuplicates) {
  const std::string reply = UserItem("SYSDBA") + UserItem("ADMN") + UserItem("ADMN") +
                            static_cast<char>(isc_info_end) + std::string(40, '\0');
  EXPECT_EQ(DecodeUserNames(reply), (Names{"SYSDBA", "ADMN", "ADMN"}));
}

TEST(DecodeUserNamesTest, StopsAtTruncationMarker) {
  const std::string reply =
      UserItem("A") + UserItem("B") + static_cast<char>(isc_info_truncated) + UserItem("C");
  EXPECT_EQ(DecodeUserNames(reply), (Names{"A", "B"}));
}

TEST(DecodeUserNamesTest, StopsAtAnyOtherItem) {
  std::string other;
  other += static_cast<char>(isc_info_page_size);
  other += std::string("\x04\x00\x00\x10\x00\x00", 6);
  EXPECT_EQ(DecodeUserNames(other + UserItem("A")), Names{});
  EXPECT_EQ(DecodeUserNames(UserItem("A") + other + UserItem("B")), Names{"A"});
}

TEST(DecodeUserNamesTest, EmptyOrZeroedReplyGivesNoNames) {
  EXPECT_EQ(DecodeUserNames(""), Names{});
  EXPECT_EQ(DecodeUserNames(std::string(20480, '\0')), Names{});
}

TEST(DecodeUserNamesTest, ItemCutOffByTheBufferEndIsDropped) {
  const std::string whole = UserItem("SYSDBA") + UserItem("LONGERNAME");
  EXPECT_EQ(DecodeUserNames(whole.substr(0, whole.size() - 3)), Names{"SYSDBA"});
  EXPECT_EQ(DecodeUserNames(whole.substr(0, UserItem("SYSDBA").size() + 2)), Names{"SYSDBA"});
}

TEST(DecodeUserNamesTest, KeepsBytesOfNamesAsTheyAre) {
  EXPECT_EQ(DecodeUserNames(UserItem("\xC8\xE2\xE0\xED") + UserItem("")),
            (Names{"\xC8\xE2\xE0\xED", ""}));
}

TEST(FindInfoIntegerTest, FindsItemAmongOthers) {
  const std::string reply = std::string("\x15\x04\x00\x08\x00\x00\x00", 7) +
                            std::string("\x04\x02\x00\xFF\xFF", 5) +
                            static_cast<char>(isc_info_end);
  EXPECT_EQ(FindInfoInteger(reply, isc_info_sql_stmt_type), 8);
  EXPECT_EQ(FindInfoInteger(reply, 4), -1);
  EXPECT_EQ(FindInfoInteger(reply, 99), std::nullopt);
}

TEST(FindInfoIntegerTest, StopsAtEndAndAtShortItems) {
  EXPECT_EQ(FindInfoInteger(std::string("\x01\x15\x01\x00\x05", 5), 0x15), std::nullopt);
  EXPECT_EQ(FindInfoInteger(std::string("\x15\x04\x00\x05", 4), 0x15), std::nullopt);
}

TEST(LittleEndianIntegerTest, ReadsAndSignExtends) {
  EXPECT_EQ(LittleEndianInteger(std::string("\x01\x02", 2)), 0x0201);
  EXPECT_EQ(LittleEndianInteger(std::string("\xFE\xFF\xFF\xFF", 4)), -2);
  EXPECT_EQ(LittleEndianInteger(std::string("\xFF\x7F", 2)), 0x7FFF);
  EXPECT_EQ(LittleEndianInteger(""), 0);
}

}  // namespace
}  // namespace updater::db
