#include "app/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

// Texts reach the reports from paths and server messages: whatever they hold, the document
// must stay valid JSON.
TEST(JsonTextTest, StringsAreEscapedAndBrokenUtf8IsReplaced) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\" C:\\OVN", "\"say \\\"hi\\\" C:\\\\OVN\""},
      {"line\r\nnext\ttab", "\"line\\r\\nnext\\ttab\""},
      {std::string("nul\0bell\a", 9), "\"nul\\u0000bell\\u0007\""},
      {"Программы", "\"Программы\""},
      {"cp1251 \xcf\xf0\xee", "\"cp1251 \\ufffd\\ufffd\\ufffd\""},
      {"cut \xd0", "\"cut \\ufffd\""},
      {"overlong \xc0\xaf surrogate \xed\xa0\x80",
       "\"overlong \\ufffd\\ufffd surrogate \\ufffd\\ufffd\\ufffd\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(JsonTextTest, ObjectsKeepTheirOrder) {
  JsonObject inner;
  inner.Add("client", true).Add("server", false);
  JsonObject outer;
  outer.Add("n", std::int64_t{-3})
      .Add("s", "x")
      .Add("parts", inner)
      .AddNull("none")
      .AddRaw("list", JsonStringArray({"a", "b"}));
  EXPECT_EQ(outer.Text(),
            "{\"n\":-3,\"s\":\"x\",\"parts\":{\"client\":true,\"server\":false},\"none\":null,"
            "\"list\":[\"a\",\"b\"]}");
}

}  // namespace
}  // namespace updater
