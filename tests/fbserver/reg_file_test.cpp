#include "fbserver/reg_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sys/error.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";

std::unique_ptr<Registry> Parse(const std::string& text) {
  return MakeFileRegistry(ParseRegFile(text, "test.reg"));
}

std::string Read(const Registry& r, const std::string& key, const std::string& value) {
  auto k = r.OpenKey(key);
  if (k == nullptr) return "<no key>";
  return k->ReadString(value);
}

// The message of the parse error, or "" when the text parses.
std::string ParseError(const std::string& text) {
  try {
    ParseRegFile(text, "/etc/updater/bad.reg");
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// "a:b" -> UTF-16LE hex bytes with the terminating zero, as regedit writes hex(2).
std::string Utf16Hex(const std::u16string& text) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  auto add = [&](unsigned byte) {
    if (!out.empty()) out += ',';
    out += digits[byte >> 4];
    out += digits[byte & 15];
  };
  for (char16_t c : text) {
    add(c & 0xFF);
    add(c >> 8);
  }
  add(0);
  add(0);
  return out;
}

TEST(RegFileTest, StringsEscapesAndDefaultValue) {
  auto r = Parse(std::string(kV5) +
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
                 "@=\"default\"\r\n"
                 "\"Path\"=\"C:\\\\FB\\\\bin\\\\\"\r\n"
                 "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                 "\"Count\"=dword:0000002a\r\n");
  EXPECT_EQ(Read(*r, "SOFTWARE\\Vendor", ""), "default");
  EXPECT_EQ(Read(*r, "SOFTWARE\\Vendor", "Path"), "C:\\FB\\bin\\");
  EXPECT_EQ(Read(*r, "SOFTWARE\\Vendor", "Quote"), "say \"hi\"");
  EXPECT_EQ(Read(*r, "SOFTWARE\\Vendor", "Missing"), "");
  // A number is not text.
  EXPECT_THROW(Read(*r, "SOFTWARE\\Vendor", "Count"), Error);
}

TEST(RegFileTest, KeysIgnoreCaseAndLeadingBackslash) {
  auto r = Parse(std::string(kV5) +
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                 "Firebird 2.0 для ПО ГК \"Корвен\"]\n"
                 "\"DisplayName\"=\"x\"\n");
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  EXPECT_TRUE(r->KeyExists(key + "Firebird 2.0 для ПО ГК \"Корвен\""));
  EXPECT_TRUE(r->KeyExists("\\" + key + "FIREBIRD 2.0 ДЛЯ ПО ГК \"КОРВЕН\""));
  EXPECT_EQ(Read(*r,
                 "\\software\\microsoft\\windows\\currentversion\\uninstall\\"
                 "firebird 2.0 для по гк \"корвен\"",
                 "DISPLAYNAME"),
            "x");
  // Parents exist with their children; a mere prefix of a name does not.
  EXPECT_TRUE(r->KeyExists("SOFTWARE\\Microsoft"));
  EXPECT_EQ(Read(*r, "SOFTWARE\\Microsoft", "anything"), "");
  EXPECT_FALSE(r->KeyExists("SOFTWARE\\Micro"));
  EXPECT_FALSE(r->KeyExists(key + "Firebird 2.0"));
  EXPECT_EQ(r->OpenKey("SOFTWARE\\Nothing"), nullptr);
}

TEST(RegFileTest, ExpandableTextOverSeveralLines) {
  const std::string hex = Utf16Hex(u"%SystemRoot%\\FB\\bin\\fbsrvdnvl.exe -p 3051");
  // regedit breaks long hex lines after a comma with a backslash.
  std::string wrapped;
  for (std::size_t i = 0; i < hex.size(); i += 75) {
    if (i != 0) wrapped += "\\\r\n  ";
    wrapped += hex.substr(i, 75);
  }
  auto r = Parse(std::string(kV5) + "[HKEY_LOCAL_MACHINE\\S]\r\n\"ImagePath\"=hex(2):" + wrapped +
                 "\r\n\"After\"=\"ok\"\r\n");
  EXPECT_EQ(Read(*r, "S", "ImagePath"), "%SystemRoot%\\FB\\bin\\fbsrvdnvl.exe -p 3051");
  EXPECT_EQ(Read(*r, "S", "After"), "ok");
}

TEST(RegFileTest, Regedit4TakesExpandableBytesAsTheyAre) {
  auto r = Parse("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\S]\n\"P\"=hex(2):2f,6f,70,74,00\n");
  EXPECT_EQ(Read(*r, "S", "P"), "/opt");
}

TEST(RegFileTest, Utf16FileWithByteOrderMark) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Ключ]\r\n\"a\"=\"б\"\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  auto r = Parse(bytes);
  EXPECT_EQ(Read(*r, "ключ", "A"), "б");
}

TEST(RegFileTest, DeletionsCommentsAndOtherHives) {
  auto r = Parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
      "; a comment\n"
      "[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n"
      "[HKEY_LOCAL_MACHINE\\AB]\n"
      "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"user\"\n"
      "[HKEY_LOCAL_MACHINE\\A\\B]\n\"w\"=-\n"
      "[-HKEY_LOCAL_MACHINE\\A\\B\\C]\n");
  EXPECT_EQ(Read(*r, "A\\B", "v"), "1");
  EXPECT_EQ(Read(*r, "A\\B", "w"), "");
  EXPECT_FALSE(r->KeyExists("A\\B\\C"));

  auto gone = Parse(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n[HKEY_LOCAL_MACHINE\\AB]\n"
      "[-HKEY_LOCAL_MACHINE\\A]\n");
  EXPECT_FALSE(gone->KeyExists("A\\B\\C"));
  EXPECT_FALSE(gone->KeyExists("A"));
  EXPECT_TRUE(gone->KeyExists("AB"));
}

TEST(RegFileTest, MalformedFilesNameTheFileAndTheLine) {
  const std::string v5 = "Windows Registry Editor Version 5.00\n";
  struct Case {
    std::string text;
    std::string line;
  };
  const Case cases[] = {
      {"", "line 1:"},
      {"\n\nREGEDIT 4\n", "line 3:"},
      {v5 + "\"v\"=\"before any key\"\n", "line 2:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A\n", "line 2:"},
      {v5 + "[HKEY_SOMEWHERE\\A]\n", "line 2:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"open\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\n\"v\"=\"C:\\FB\"\n", "line 4:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\" trailing\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1234567890\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:xyz\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(2):41,0\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(2):41,00,42\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(2):41,00,\\\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=text\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\n\"v\" \"w\"\n", "line 3:"},
      {v5 + "[HKEY_LOCAL_MACHINE\\A]\nImagePath=\"x\"\n", "line 3:"},
  };
  for (const Case& c : cases) {
    const std::string error = ParseError(c.text);
    EXPECT_EQ(error.rfind("Registry file \"/etc/updater/bad.reg\", " + c.line, 0), 0u)
        << "text: " << c.text << "\nerror: " << error;
  }
}

TEST(RegFileTest, ContinuedLinesKeepTheirFirstLineNumber) {
  const std::string error =
      ParseError("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n  02,\\\n  zz\n");
  EXPECT_NE(error.find("line 3:"), std::string::npos) << error;
  EXPECT_NE(error.find("zz"), std::string::npos) << error;
}

TEST(RegFileTest, AValueOfManyLinesIsReadInLinearTime) {
  std::string text = std::string(kV5) + "[HKEY_LOCAL_MACHINE\\S]\r\n\"Bin\"=hex:00,\\\r\n";
  constexpr int kLines = 40000;
  for (int i = 0; i < kLines; ++i)
    text += "  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,\\\r\n";
  text += "  ff\r\n\"ImagePath\"=\"after\"\r\n";
  const auto start = std::chrono::steady_clock::now();
  const RegFileData data = ParseRegFile(text, "big.reg");
  const auto took = std::chrono::steady_clock::now() - start;
  const auto& values = data.keys.at("s").values;
  EXPECT_EQ(values.at("bin").bytes.size(), 1u + 16u * kLines + 1u);
  EXPECT_EQ(values.at("bin").bytes.back(), 0xFF);
  EXPECT_EQ(values.at("imagepath").text, "after");
  EXPECT_LT(took, std::chrono::milliseconds(500));
}

TEST(RegFileTest, TypeNumbersUseAllThirtyTwoBits) {
  const std::string head = std::string(kV5) + "[HKEY_LOCAL_MACHINE\\A]\n";
  for (const char* type : {"80000000", "ffffffff", "7fffffff"}) {
    const RegFileData data = ParseRegFile(head + "\"X\"=hex(" + type + "):00,01\n", "t.reg");
    const RegValue& value = data.keys.at("a").values.at("x");
    EXPECT_EQ(value.type, RegValue::Type::Binary) << type;
    EXPECT_EQ(value.bytes, (std::vector<std::uint8_t>{0, 1})) << type;
  }
  const std::string error = ParseError(head + "\n\"X\"=hex(100000000):00\n");
  EXPECT_EQ(error.rfind("Registry file \"/etc/updater/bad.reg\", line 5:", 0), 0u) << error;
}

TEST(RegFileTest, FileLocationComesFromTheEnvironment) {
  {
    testing::ScopedEnv env(kRegistryFileEnv, "/var/tmp/elsewhere.reg");
    EXPECT_EQ(RegistryFilePath(), "/var/tmp/elsewhere.reg");
  }
  testing::ScopedEnv env(kRegistryFileEnv, "");
  EXPECT_EQ(RegistryFilePath(), "/etc/updater/registry.reg");
}

TEST(RegFileTest, MissingFileIsEmptyUnreadableFileIsAnError) {
  testing::TempFolder dir;
  auto empty = MakeFileRegistry(ReadRegFile(dir.path() + "/absent.reg"));
  EXPECT_FALSE(empty->KeyExists("SYSTEM"));

  try {
    ReadRegFile(dir.path());  // a folder cannot be read as a file
    ADD_FAILURE() << "no error for a folder";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(dir.path()), std::string::npos) << e.what();
  }

  const std::string file = dir.Write("r.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"1\"\n");
  EXPECT_EQ(Read(*MakeFileRegistry(ReadRegFile(file)), "K", "v"), "1");
}

}  // namespace
}  // namespace updater
