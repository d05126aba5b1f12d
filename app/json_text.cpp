#include "app/json_text.h"

#include <cstdio>

namespace updater {

namespace {

// Length of the valid UTF-8 sequence at `i`, 0 when it is not one.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t n = lead < 0x80         ? 1
                  : (lead >> 5) == 6  ? 2
                  : (lead >> 4) == 14 ? 3
                  : (lead >> 3) == 30 ? 4
                                      : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(text, i, n);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
    i += n;
  }
  return out + "\"";
}

JsonObject& JsonObject::AddRaw(const std::string& key, const std::string& json) {
  if (!members_.empty()) members_ += ",";
  members_ += JsonString(key) + ":" + json;
  return *this;
}

JsonObject& JsonObject::Add(const std::string& key, const std::string& value) {
  return AddRaw(key, JsonString(value));
}

JsonObject& JsonObject::Add(const std::string& key, const char* value) {
  return AddRaw(key, JsonString(value));
}

JsonObject& JsonObject::Add(const std::string& key, bool value) {
  return AddRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::Add(const std::string& key, std::int64_t value) {
  return AddRaw(key, std::to_string(value));
}

JsonObject& JsonObject::Add(const std::string& key, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return AddRaw(key, text);
}

JsonObject& JsonObject::Add(const std::string& key, const JsonObject& value) {
  return AddRaw(key, value.Text());
}

JsonObject& JsonObject::AddNull(const std::string& key) {
  return AddRaw(key, "null");
}

std::string JsonArray(const std::vector<std::string>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) out += (i == 0 ? "" : ",") + values[i];
  return out + "]";
}

std::string JsonStringArray(const std::vector<std::string>& texts) {
  std::vector<std::string> values;
  values.reserve(texts.size());
  for (const std::string& text : texts) values.push_back(JsonString(text));
  return JsonArray(values);
}

}  // namespace updater
