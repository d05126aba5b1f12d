#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace updater::scriptlib {

struct ScriptStatement {
  std::string text;       // trimmed, leading comments dropped, without its terminator
  std::size_t line = 0;   // line of its first significant character, from 1
  bool set_term = false;  // a SET TERM command: already applied by the splitter
};

// A script that ends inside a string, a quoted identifier or a block comment.
class ScriptSyntaxError : public std::runtime_error {
 public:
  ScriptSyntaxError(const std::string& message, std::string statement, std::size_t line)
      : std::runtime_error(message), statement_(std::move(statement)), line_(line) {}
  const std::string& statement() const { return statement_; }
  std::size_t line() const { return line_; }

 private:
  std::string statement_;
  std::size_t line_;
};

// Splits a script into statements the way isql does, fed in chunks of any size so that a
// large script never has to be held whole. Strings, quoted identifiers and comments hide the
// terminator; SET TERM changes it (to any text, several characters too). A statement that
// starts with EXECUTE IBEBLOCK ends only at a terminator outside its BEGIN ... END body; in
// its head only the DECLAREs after AS go on past a terminator, so a block without BEGIN ends
// at its first terminator instead of taking in the rest of the script.
class StatementSplitter {
 public:
  void Feed(std::string_view chunk);
  // No more input follows: the text after the last terminator becomes a statement.
  void Finish();
  // The next complete statement; none when more input is needed or the script is done.
  // Throws ScriptSyntaxError once, after Finish, for an unterminated string or comment.
  std::optional<ScriptStatement> Next();

 private:
  enum class Mode { Code, LineComment, BlockComment, String, QuotedName, AltString };

  bool Available(std::size_t count) const { return pos_ + count <= buffer_.size(); }
  void StartStatementAt(std::size_t at);
  ScriptStatement Take(std::size_t end, std::size_t resume);
  void NoteWord(std::string_view word);
  void Compact();

  std::string buffer_;
  std::size_t pos_ = 0;                    // next character to scan
  std::size_t start_ = 0;                  // start of the current statement's text
  std::size_t first_ = std::string::npos;  // its first significant character
  std::size_t line_ = 1;                   // line at pos_
  std::size_t first_line_ = 1;             // line at first_
  Mode mode_ = Mode::Code;
  char close_ = 0;             // the character that may end the mode
  char close_next_ = 0;        // and the one after it, for all but a line comment
  std::size_t mode_line_ = 0;  // where the open string or comment began
  std::string terminator_ = ";";
  bool finished_ = false;
  bool bom_checked_ = false;
  bool failed_ = false;
  // Head words and body depth of the current statement.
  int words_seen_ = 0;
  bool block_ = false;
  int depth_ = 0;
  bool body_closed_ = false;
  bool after_as_ = false;        // the block's AS was seen
  bool clause_start_ = false;    // the next word starts a clause of the block's head
  bool clause_declare_ = false;  // the current clause of the head is a DECLARE
  // A word that ran into the end of the input so far.
  std::size_t word_at_ = std::string::npos;
  std::size_t word_end_ = 0;
};

}  // namespace updater::scriptlib
