// Runs the build's translation compiler on small sources. It is a build-time tool made for the
// build machine, so these run there only.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "resources/embedded_resource.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::ReadFile;

namespace fs = std::filesystem;

fs::path BinDir() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

class TranslationCompilerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = BinDir() / ("translation_compiler_test." + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Compiles `source`; returns the exit status and fills output or error.
  int Compile(const std::string& source) {
    std::ofstream(dir_ / "in.txt", std::ios::binary) << source;
    return CompileFile(dir_ / "in.txt");
  }
  int CompileFile(const fs::path& source) {
    fs::remove(dir_ / "out.dat");
    const std::string cmd = (BinDir() / "updater_translation_compiler").string() + " '" +
                            source.string() + "' '" + (dir_ / "out.dat").string() + "' 2>'" +
                            (dir_ / "err.txt").string() + "'";
    const int status = std::system(cmd.c_str());
    output = fs::exists(dir_ / "out.dat") ? ReadFile(dir_ / "out.dat") : "";
    error = ReadFile(dir_ / "err.txt");
    return WEXITSTATUS(status);
  }

  fs::path dir_;
  std::string output;
  std::string error;
};

TEST_F(TranslationCompilerTest, WritesTheSerializedForm) {
  ASSERT_EQ(Compile("# comment\n"
                    "[stCaptions]\n"
                    "[stDlgsCaptions]\n"
                    "@Yes\n"
                    "prog: &Yes\n"
                    "\n"
                    "[stStrings]\n"
                    "@key_1\n"
                    "prog,ru: Ошибка {0}\\nЁ…\n"
                    "en: Line\\n\\nnext\\s\n"
                    "de: \\sä\\\\ß\n"
                    "fr: é\\tœ: #not a comment\n"
                    "@empty\n"),
            0)
      << error;
  EXPECT_EQ(output,
            "stCaptions\r\n"
            "stDlgsCaptions\r\n"
            "Yes\x01&Yes\x01\x01\x01\x01\x01\r\n"
            "stStrings\r\n"
            "key_1\x01\xCE\xF8\xE8\xE1\xEA\xE0 {0}\x19\x1a\xA8\x85"
            "\x01\xCE\xF8\xE8\xE1\xEA\xE0 {0}\x19\x1a\xA8\x85"
            "\x01Line\x19\x1a\x19\x1anext "
            "\x01 \xE4\\\xDF"
            "\x01\xE9\t\x9C: #not a comment\x01\r\n"
            "empty\x01\x01\x01\x01\x01\x01\r\n");
}

TEST_F(TranslationCompilerTest, AcceptsWindowsLineEndsAndAByteOrderMark) {
  ASSERT_EQ(Compile("\xEF\xBB\xBF[stStrings]\r\n@k\r\nen: x\r\n"), 0) << error;
  EXPECT_EQ(output, "stStrings\r\nk\x01\x01\x01x\x01\x01\x01\r\n");
}

TEST_F(TranslationCompilerTest, ShortRowsKeepTheirDelimiterCount) {
  ASSERT_EQ(Compile("[stHints]\n@TfrmMain\ndelimiters: 2\n@one\ndelimiters: 1\nprog: x\n"), 0)
      << error;
  EXPECT_EQ(output, "stHints\r\nTfrmMain\x01\x01\r\none\x01x\r\n");
  EXPECT_EQ(Compile("[stHints]\n@k\ndelimiters: 2\nen: text\n"), 1);
  EXPECT_NE(error.find(":2: error: the row has too few delimiters"), std::string::npos) << error;
}

TEST_F(TranslationCompilerTest, StopsOnCharactersOutsideTheColumnsCodePage) {
  EXPECT_EQ(Compile("[stStrings]\n@k\nen: ok\nru: café\n"), 1);
  EXPECT_NE(error.find("in.txt:4: error: the character U+00E9 cannot be written in the "
                       "Windows-1251 code page of language ru"),
            std::string::npos)
      << error;
  EXPECT_TRUE(output.empty());
  EXPECT_EQ(Compile("[stStrings]\n@k\nfr: Привет\n"), 1);
  EXPECT_NE(error.find("U+041F cannot be written in the Windows-1252 code page of language fr"),
            std::string::npos)
      << error;
  EXPECT_EQ(Compile("[stStrings]\n@k\nde: \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x86\xB5\n"), 1);
  EXPECT_NE(error.find("U+21B5"), std::string::npos) << error;
}

TEST_F(TranslationCompilerTest, StopsOnMalformedSources) {
  struct Case {
    const char* source;
    const char* message;
  };
  const Case cases[] = {
      {"@k\n", ":1: error: a row before the first [section]"},
      {"[stNothing]\n", ":1: error: unknown section stNothing"},
      {"[stStrings]\n[stStrings]\n", ":2: error: section stStrings appears twice"},
      {"[stStrings]\nen: x\n", ":2: error: a text before the first @key"},
      {"[stStrings]\n@k\nxx: x\n", ":3: error: unknown language tag 'xx'"},
      {"[stStrings]\n@k\nen: x\nprog,en: y\n", ":4: error: language en given twice"},
      {"[stStrings]\n@Key\n@KEY\n", ":3: error: the key KEY appears twice in this section"},
      {"[stStrings]\n@k\nen: trailing \n", ":3: error: a blank at the start or end"},
      {"[stStrings]\n@k\nen:  leading\n", ":3: error: a blank at the start or end"},
      {"[stStrings]\n@k\nen: a\\qb\n", ":3: error: unknown escape \\q"},
      {"[stStrings]\n@k\nen: a\\\n", ":3: error: a lone \\ at the end of the text"},
      {"[stStrings]\n@k\nen: \xC3(\n", ":3: error: the text is not valid UTF-8"},
      {"[stStrings]\n@k\nen: a\x01"
       "b\n",
       ":3: error: control character U+0001"},
      {"[stStrings]\n@k\njust text\n", ":3: error: expected [section], @key or tags: text"},
      {"[stStrings]\n@\n", ":2: error: a row without a key"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.source), 1) << c.source;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.source << " gave: " << error;
  }
}

TEST_F(TranslationCompilerTest, TheCarriedCatalogueIsTheCompiledSource) {
  const fs::path repo = fs::path(__FILE__).parent_path().parent_path().parent_path();
  struct Store {
    const char* source;
    const char* name;
  };
  for (const Store& s :
       {Store{"ldm_sil.txt", "LDM_Sil"}, Store{"frmmain_sill.txt", "frmMain_Sill"}}) {
    ASSERT_EQ(CompileFile(repo / "resources" / "translations" / s.source), 0) << error;
    auto carried = FindEmbeddedResource("STRINGS", s.name);
    ASSERT_TRUE(carried);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(carried->data()), carried->size()), output)
        << s.name;
  }
}

}  // namespace
}  // namespace updater
