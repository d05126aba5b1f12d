#include "app/json_text.h"

#include <cstdio>

#include "messages/format/code_pages.h"

namespace updater {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const std::optional<char32_t> code = NextUtf8(text, i);
    if (!code) {
      // Strict readers refuse malformed UTF-8, overlong forms and surrogates included.
      out += "\\ufffd";
      ++i;
    } else if (i - at > 1) {
      out.append(text, at, i - at);
    } else if (*code == '"' || *code == '\\') {
      out += '\\';
      out += static_cast<char>(*code);
    } else if (*code == '\n') {
      out += "\\n";
    } else if (*code == '\r') {
      out += "\\r";
    } else if (*code == '\t') {
      out += "\\t";
    } else if (*code < 0x20 || *code == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(*code));
      out += escaped;
    } else {
      out += static_cast<char>(*code);
    }
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
