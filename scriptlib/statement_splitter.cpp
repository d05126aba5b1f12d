#include "scriptlib/statement_splitter.h"
#include "scriptlib/sql_words.h"
#include "sys/text.h"

#include <cctype>

namespace updater::scriptlib {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Closing character of q'X...X' for the opening one.
char AltClose(char open) {
  const std::size_t bracket = std::string_view("([{<").find(open);
  return bracket == std::string_view::npos ? open : ")]}>"[bracket];
}

// "SET TERM x" (any blanks, any case) gives the new terminator x.
std::optional<std::string> SetTermArgument(std::string_view text) {
  std::size_t i = 0;
  auto word = [&](std::string_view expected) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    return SameTextIgnoringCase(text.substr(begin, i - begin), expected);
  };
  if (!word("SET") || !word("TERM")) return std::nullopt;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::string_view rest = text.substr(i);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  if (rest.empty() || rest.find_first_of(" \t\r\n") != std::string_view::npos) return std::nullopt;
  return std::string(rest);
}

}  // namespace

void StatementSplitter::Feed(std::string_view chunk) {
  Compact();
  buffer_.append(chunk);
}

void StatementSplitter::Finish() {
  finished_ = true;
}

void StatementSplitter::Compact() {
  if (start_ == 0) return;
  buffer_.erase(0, start_);
  pos_ -= start_;
  if (first_ != std::string::npos) first_ -= start_;
  if (word_at_ != std::string::npos) {
    word_at_ -= start_;
    word_end_ -= start_;
  }
  start_ = 0;
}

void StatementSplitter::StartStatementAt(std::size_t at) {
  start_ = pos_ = at;
  first_ = std::string::npos;
  words_seen_ = 0;
  block_ = false;
  depth_ = 0;
  body_closed_ = false;
  after_as_ = false;
  clause_start_ = false;
  clause_declare_ = false;
}

ScriptStatement StatementSplitter::Take(std::size_t end, std::size_t resume) {
  std::size_t last = end;
  while (last > first_ && IsBlank(buffer_[last - 1])) --last;
  ScriptStatement statement{buffer_.substr(first_, last - first_), first_line_, false};
  StartStatementAt(resume);
  if (auto term = SetTermArgument(statement.text)) {
    terminator_ = *term;
    statement.set_term = true;
  }
  return statement;
}

void StatementSplitter::NoteWord(std::string_view word) {
  if (words_seen_ < 2) {
    if (words_seen_ == 0 && !SameTextIgnoringCase(word, "EXECUTE")) {
      words_seen_ = 2;
      return;
    }
    if (words_seen_ == 1) block_ = SameTextIgnoringCase(word, "IBEBLOCK");
    ++words_seen_;
    return;
  }
  if (!block_ || body_closed_) return;
  if (depth_ == 0) {
    if (!after_as_) {
      after_as_ = clause_start_ = SameTextIgnoringCase(word, "AS");
    } else if (clause_start_) {
      clause_declare_ = SameTextIgnoringCase(word, "DECLARE");
      clause_start_ = false;
    }
  }
  if (SameTextIgnoringCase(word, "BEGIN") || SameTextIgnoringCase(word, "CASE")) {
    ++depth_;
  } else if (SameTextIgnoringCase(word, "END") && depth_ > 0) {
    if (--depth_ == 0) body_closed_ = true;
  }
}

std::optional<ScriptStatement> StatementSplitter::Next() {
  if (failed_) return std::nullopt;
  if (!bom_checked_) {
    if (buffer_.size() < kBom.size() && !finished_ && kBom.substr(0, buffer_.size()) == buffer_)
      return std::nullopt;
    if (std::string_view(buffer_).substr(0, kBom.size()) == kBom) StartStatementAt(kBom.size());
    bom_checked_ = true;
  }
  // A look-ahead that runs past the end waits for the next chunk unless the script is done.
  auto need_more = [&](std::size_t count) { return !Available(count) && !finished_; };
  auto significant = [&] {
    if (first_ == std::string::npos) {
      first_ = pos_;
      first_line_ = line_;
    }
  };
  auto open = [&](Mode mode, char close, char close_next) {
    mode_ = mode;
    close_ = close;
    close_next_ = close_next;
    mode_line_ = line_;
  };

  while (pos_ < buffer_.size()) {
    const char c = buffer_[pos_];
    if (mode_ != Mode::Code) {
      // Only a line comment ends at one character; the other closers are pairs.
      const bool pair = mode_ != Mode::LineComment;
      // A character that may close the mode waits for the next one; it is looked at again
      // then, so its line is counted only once it is consumed.
      if (pair && c == close_ && need_more(2)) return std::nullopt;
      if (c == '\n') ++line_;
      ++pos_;
      if (c != close_) continue;
      const bool both = pair && Available(1) && buffer_[pos_] == close_next_;
      // A doubled quote stands for itself and the string goes on.
      const bool quote = mode_ == Mode::String || mode_ == Mode::QuotedName;
      if (!pair || both != quote) mode_ = Mode::Code;
      if (both) ++pos_;
      continue;
    }

    if (c == '-' || c == '/') {
      if (need_more(2)) return std::nullopt;
      const char second = c == '-' ? '-' : '*';
      if (Available(2) && buffer_[pos_ + 1] == second) {
        if (c == '-') {
          open(Mode::LineComment, '\n', 0);
        } else {
          open(Mode::BlockComment, '*', '/');
        }
        pos_ += 2;
        continue;
      }
    }
    if (c == '\'' || c == '"') {
      significant();
      open(c == '\'' ? Mode::String : Mode::QuotedName, c, c);
      ++pos_;
      continue;
    }
    if (c == 'q' || c == 'Q') {
      if (need_more(3)) return std::nullopt;
      if (Available(3) && buffer_[pos_ + 1] == '\'') {
        significant();
        open(Mode::AltString, AltClose(buffer_[pos_ + 2]), '\'');
        if (buffer_[pos_ + 2] == '\n') ++line_;
        pos_ += 3;
        continue;
      }
    }

    const std::size_t term_size = terminator_.size();
    if (c == terminator_[0]) {
      if (need_more(term_size)) {
        if (std::string_view(buffer_).substr(pos_) ==
            std::string_view(terminator_).substr(0, buffer_.size() - pos_))
          return std::nullopt;
      } else if (buffer_.compare(pos_, term_size, terminator_) == 0) {
        const bool declaration = block_ && !body_closed_ && depth_ == 0 && clause_declare_;
        if (!block_ || body_closed_ || (depth_ == 0 && !declaration)) {
          if (first_ == std::string::npos) {
            StartStatementAt(pos_ + term_size);  // an empty statement
            continue;
          }
          return Take(pos_, pos_ + term_size);
        }
        if (declaration) {
          // Consumed here: a terminator that starts like a word must not be read again as one,
          // nor met twice when a piece ends inside the word it seems to start.
          clause_start_ = true;
          clause_declare_ = false;
          pos_ += term_size;
          continue;
        }
      }
    }

    if (IsWordStart(c)) {
      // A word cut by the end of a chunk is scanned on from where it stopped, not again.
      std::size_t end = word_at_ == pos_ ? word_end_ : pos_ + 1;
      while (end < buffer_.size() && IsWordPart(buffer_[end])) ++end;
      if (end == buffer_.size() && !finished_) {
        word_at_ = pos_;
        word_end_ = end;
        return std::nullopt;
      }
      word_at_ = std::string::npos;
      significant();
      NoteWord(std::string_view(buffer_).substr(pos_, end - pos_));
      pos_ = end;
      continue;
    }

    if (c == '\n') {
      ++line_;
    } else if (!IsBlank(c)) {
      significant();
    }
    ++pos_;
  }

  if (!finished_) return std::nullopt;
  // A line comment ends with the script.
  if (mode_ != Mode::Code && mode_ != Mode::LineComment) {
    failed_ = true;
    const char* what = mode_ == Mode::BlockComment ? "comment"
                       : mode_ == Mode::QuotedName ? "quoted identifier"
                                                   : "string literal";
    const std::size_t from = first_ != std::string::npos ? first_ : start_;
    throw ScriptSyntaxError(
        "Unterminated " + std::string(what) + " starting at line " + std::to_string(mode_line_),
        buffer_.substr(from, 1000), first_ != std::string::npos ? first_line_ : mode_line_);
  }
  if (first_ == std::string::npos) return std::nullopt;
  return Take(buffer_.size(), buffer_.size());
}

}  // namespace updater::scriptlib
