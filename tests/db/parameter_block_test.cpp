#include <gtest/gtest.h>

#include <ibase.h>

#include <string>

#include "db/parameter_block.h"
#include "sys/error.h"

namespace updater::db {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

TEST(ParameterBlockTest, DatabaseBlockWithoutRole) {
  const ParameterBlock block = DatabaseParameters("SYSDBA", "pw", "WIN1251", "");
  const std::string expected = Bytes({isc_dpb_version1, isc_dpb_user_name, 6}) + "SYSDBA" +
                               Bytes({isc_dpb_password, 2}) + "pw" + Bytes({isc_dpb_lc_ctype, 7}) +
                               "WIN1251" + Bytes({isc_dpb_utf8_filename, 0});
  EXPECT_EQ(block.bytes(), expected);
}

TEST(ParameterBlockTest, DatabaseBlockWithRoleAddsItBeforeTheFileNameMark) {
  const ParameterBlock block = DatabaseParameters("ADMN", "7", "WIN1251", "DV_ADMIN");
  const std::string tail =
      Bytes({isc_dpb_sql_role_name, 8}) + "DV_ADMIN" + Bytes({isc_dpb_utf8_filename, 0});
  ASSERT_GT(block.size(), tail.size());
  EXPECT_EQ(block.bytes().substr(block.size() - tail.size()), tail);
}

TEST(ParameterBlockTest, ServiceAttachBlock) {
  const ParameterBlock block = ServiceAttachParameters("SYSDBA", "secret");
  const std::string expected =
      Bytes({isc_spb_version, isc_spb_current_version, isc_spb_user_name, 6}) + "SYSDBA" +
      Bytes({isc_spb_password, 6}) + "secret" + Bytes({isc_spb_utf8_filename, 0});
  EXPECT_EQ(block.bytes(), expected);
}

TEST(ParameterBlockTest, IntegersAreLittleEndian) {
  ParameterBlock block;
  block.Int32(7, 1).SizedInt32(9, 0x01020304).Int32(108, 512);
  EXPECT_EQ(block.bytes(), Bytes({7, 1, 0, 0, 0, 9, 4, 4, 3, 2, 1, 108, 0, 2, 0, 0}));
}

TEST(ParameterBlockTest, LongTextsUseTwoLengthBytes) {
  const std::string path(300, 'p');
  ParameterBlock block;
  block.String16(isc_spb_dbname, path);
  EXPECT_EQ(block.bytes(), Bytes({isc_spb_dbname, 300 & 0xFF, 300 >> 8}) + path);
}

TEST(ParameterBlockTest, OverlongTextIsRefused) {
  ParameterBlock block;
  EXPECT_NO_THROW(block.String8(1, std::string(255, 'x')));
  EXPECT_THROW(block.String8(1, std::string(256, 'x')), Error);
  EXPECT_THROW(block.String16(1, std::string(65536, 'x')), Error);
}

}  // namespace
}  // namespace updater::db
