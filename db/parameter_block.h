#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace updater::db {

// Bytes of a database, services or transaction parameter block, or of a service request.
// Integers are written little-endian, as the client library expects them.
class ParameterBlock {
 public:
  ParameterBlock() = default;

  ParameterBlock& Byte(unsigned char value);
  // tag, one length byte, the text; Error when the text is longer than 255 bytes.
  ParameterBlock& String8(unsigned char tag, std::string_view value);
  // tag, two length bytes, the text; Error when longer than 65535 bytes.
  ParameterBlock& String16(unsigned char tag, std::string_view value);
  // tag, four value bytes (service request items).
  ParameterBlock& Int32(unsigned char tag, std::int32_t value);
  // tag, one length byte (4), four value bytes (database parameter items).
  ParameterBlock& SizedInt32(unsigned char tag, std::int32_t value);

  const std::string& bytes() const { return bytes_; }
  const char* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }

 private:
  void Append32(std::int32_t value);
  std::string bytes_;
};

// The attachment block: user name, password, lc_ctype, only when not empty the role, and the
// mark that the file name is UTF-8.
ParameterBlock DatabaseParameters(const std::string& user, const std::string& password,
                                  const std::string& charset, const std::string& role);

// The services-manager attachment block: version, user name, password, and the mark that the
// requests' file names are UTF-8.
ParameterBlock ServiceAttachParameters(const std::string& user, const std::string& password);

}  // namespace updater::db
