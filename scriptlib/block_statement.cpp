#include "scriptlib/block_statement.h"
#include "db/sql_literal.h"
#include "scriptlib/sql_words.h"
#include "sys/text.h"

#include <algorithm>
#include <cctype>

namespace updater::scriptlib {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    for (;;) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (text_.substr(pos_, 2) == "--") {
        pos_ = std::min(text_.find('\n', pos_), text_.size());
      } else if (text_.substr(pos_, 2) == "/*") {
        const std::size_t end = text_.find("*/", pos_ + 2);
        pos_ = end == std::string_view::npos ? text_.size() : end + 2;
      } else {
        return;
      }
    }
  }

  std::string Word() {
    SkipBlanks();
    const std::size_t begin = pos_;
    while (pos_ < text_.size() && IsWordPart(text_[pos_])) ++pos_;
    return std::string(text_.substr(begin, pos_ - begin));
  }

  bool Accept(std::string_view keyword) {
    const std::size_t saved = pos_;
    if (AsciiUpper(std::string(Word())) == keyword) return true;
    pos_ = saved;
    return false;
  }

  void Expect(char c, const char* what) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != c)
      throw BlockSyntaxError(std::string("EXECUTE IBEBLOCK: ") + what + " expected");
    ++pos_;
  }

  bool AcceptChar(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  std::string StringLiteral() {
    Expect('\'', "a quoted value");
    std::string value;
    for (;;) {
      if (pos_ >= text_.size()) throw BlockSyntaxError("EXECUTE IBEBLOCK: unterminated value");
      const char c = text_[pos_++];
      if (c != '\'') {
        value += c;
      } else if (pos_ < text_.size() && text_[pos_] == '\'') {
        value += '\'';
        ++pos_;
      } else {
        return value;
      }
    }
  }

  // Skips a parenthesised group, strings inside included.
  void SkipGroup() {
    Expect('(', "\"(\"");
    int depth = 1;
    while (depth > 0) {
      if (pos_ >= text_.size()) throw BlockSyntaxError("EXECUTE IBEBLOCK: \")\" expected");
      const char c = text_[pos_];
      if (c == '\'' || c == '"') {
        const std::size_t end = text_.find(c, pos_ + 1);
        if (end == std::string_view::npos)
          throw BlockSyntaxError("EXECUTE IBEBLOCK: unterminated quote");
        pos_ = end + 1;
        continue;
      }
      if (c == '(') ++depth;
      if (c == ')') --depth;
      ++pos_;
    }
  }

  std::size_t pos() const { return pos_; }
  std::string_view Rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

bool IsBlockStatement(std::string_view text) {
  Reader reader(text);
  return reader.Accept("EXECUTE") && reader.Accept("IBEBLOCK");
}

BlockStatement ParseBlockStatement(std::string_view text) {
  Reader reader(text);
  if (!reader.Accept("EXECUTE") || !reader.Accept("IBEBLOCK"))
    throw BlockSyntaxError("EXECUTE IBEBLOCK expected");
  BlockStatement block;
  reader.Expect('(', "\"(\" after EXECUTE IBEBLOCK");
  if (!reader.AcceptChar(')')) {
    do {
      std::string name = reader.Word();
      if (name.empty()) throw BlockSyntaxError("EXECUTE IBEBLOCK: a parameter name expected");
      for (const auto& param : block.params) {
        if (SameTextIgnoringCase(param.first, name))
          throw BlockSyntaxError("EXECUTE IBEBLOCK: parameter " + name + " given twice");
      }
      reader.Expect('=', "\"=\" after the parameter name");
      block.params.emplace_back(std::move(name), reader.StringLiteral());
    } while (reader.AcceptChar(','));
    reader.Expect(')', "\")\" after the parameters");
  }

  const std::pair<std::string, std::string>* output = nullptr;
  if (reader.Accept("OUTPUT")) {
    if (!reader.Accept("TO")) throw BlockSyntaxError("EXECUTE IBEBLOCK: TO expected after OUTPUT");
    const std::string name = AsciiUpper(std::string(reader.Word()));
    for (const auto& param : block.params) {
      if (AsciiUpper(std::string(param.first)) == name) output = &param;
    }
    if (output == nullptr) throw BlockSyntaxError("EXECUTE IBEBLOCK: OUTPUT TO names no parameter");
  } else if (!block.params.empty()) {
    output = &block.params.front();
  }
  if (output == nullptr || output->second.empty())
    throw BlockSyntaxError("EXECUTE IBEBLOCK: no output file is named");
  block.output_file = output->second;

  reader.SkipBlanks();
  const std::size_t returns_begin = reader.pos();
  if (reader.Accept("RETURNS")) reader.SkipGroup();
  const std::string returns(text.substr(returns_begin, reader.pos() - returns_begin));
  if (!reader.Accept("AS")) throw BlockSyntaxError("EXECUTE IBEBLOCK: AS expected");
  {
    Reader body = reader;
    const std::string word = AsciiUpper(body.Word());
    if (word != "BEGIN" && word != "DECLARE")
      throw BlockSyntaxError("EXECUTE IBEBLOCK: BEGIN expected after AS");
  }

  block.sql = "EXECUTE BLOCK " + returns + "\nAS\n";
  for (const auto& [name, value] : block.params) {
    block.sql += "DECLARE VARIABLE " + name + " VARCHAR(" +
                 std::to_string(std::max<std::size_t>(value.size(), 1)) +
                 ") CHARACTER SET UTF8 = " + db::SqlStringLiteral(value) + ";\n";
  }
  block.sql += reader.Rest();
  return block;
}

}  // namespace updater::scriptlib
