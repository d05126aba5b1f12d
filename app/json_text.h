#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace updater {

// A JSON string literal of UTF-8 text; a byte that is not part of valid UTF-8 becomes
// U+FFFD, so the document stays valid whatever a path holds.
std::string JsonString(const std::string& text);

// One JSON object, its members in the order they are added.
class JsonObject {
 public:
  JsonObject& Add(const std::string& key, const std::string& value);
  JsonObject& Add(const std::string& key, const char* value);
  JsonObject& Add(const std::string& key, bool value);
  JsonObject& Add(const std::string& key, std::int64_t value);
  JsonObject& Add(const std::string& key, double value);
  JsonObject& Add(const std::string& key, const JsonObject& value);
  JsonObject& AddNull(const std::string& key);
  // `json` must be a JSON value already.
  JsonObject& AddRaw(const std::string& key, const std::string& json);

  std::string Text() const { return "{" + members_ + "}"; }

 private:
  std::string members_;
};

// A JSON array of values that are JSON already.
std::string JsonArray(const std::vector<std::string>& values);
std::string JsonStringArray(const std::vector<std::string>& texts);

}  // namespace updater
