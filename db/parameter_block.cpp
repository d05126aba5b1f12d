#include "db/parameter_block.h"

#include <ibase.h>

#include "sys/error.h"

namespace updater::db {

ParameterBlock& ParameterBlock::Byte(unsigned char value) {
  bytes_.push_back(static_cast<char>(value));
  return *this;
}

ParameterBlock& ParameterBlock::String8(unsigned char tag, std::string_view value) {
  if (value.size() > 255) throw Error("A connection parameter is longer than 255 bytes.");
  Byte(tag);
  Byte(static_cast<unsigned char>(value.size()));
  bytes_.append(value);
  return *this;
}

ParameterBlock& ParameterBlock::String16(unsigned char tag, std::string_view value) {
  if (value.size() > 65535) throw Error("A service parameter is longer than 65535 bytes.");
  Byte(tag);
  Byte(static_cast<unsigned char>(value.size() & 0xFF));
  Byte(static_cast<unsigned char>(value.size() >> 8));
  bytes_.append(value);
  return *this;
}

ParameterBlock& ParameterBlock::Int32(unsigned char tag, std::int32_t value) {
  Byte(tag);
  Append32(value);
  return *this;
}

ParameterBlock& ParameterBlock::SizedInt32(unsigned char tag, std::int32_t value) {
  Byte(tag);
  Byte(4);
  Append32(value);
  return *this;
}

void ParameterBlock::Append32(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) Byte(static_cast<unsigned char>(bits >> shift));
}

ParameterBlock DatabaseParameters(const std::string& user, const std::string& password,
                                  const std::string& charset, const std::string& role) {
  ParameterBlock block;
  block.Byte(isc_dpb_version1);
  block.String8(isc_dpb_user_name, user);
  block.String8(isc_dpb_password, password);
  block.String8(isc_dpb_lc_ctype, charset);
  if (!role.empty()) block.String8(isc_dpb_sql_role_name, role);
  // Our file names are UTF-8; unmarked, the client would take them in the locale's code page.
  block.String8(isc_dpb_utf8_filename, "");
  return block;
}

ParameterBlock ServiceAttachParameters(const std::string& user, const std::string& password) {
  ParameterBlock block;
  block.Byte(isc_spb_version);
  block.Byte(isc_spb_current_version);
  block.String8(isc_spb_user_name, user);
  block.String8(isc_spb_password, password);
  // The file names of the requests on this attachment are UTF-8, as everywhere in the program.
  block.String8(isc_spb_utf8_filename, "");
  return block;
}

}  // namespace updater::db
