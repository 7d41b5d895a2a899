// Splits one text of the scene language into tokens: strings in double
// quotes, numbers, words, $directives and the punctuation ( ) , =. A `#`
// starts a comment that runs to the end of the line.
#pragma once

#include <string>

#include "scene_error.h"

namespace qzscene {

// Longest string literal and word the reader accepts; longer ones are
// errors rather than unbounded work.
constexpr size_t kMaxStringLength = 4096;
constexpr size_t kMaxWordLength = 256;

struct Token {
  enum class Kind { End, String, Number, Word, Directive, OpenParen, CloseParen, Comma, Equals };
  Kind kind = Kind::End;
  std::string text;     // string contents without quotes or escapes; a word's or number's spelling
  bool integer = false; // a number written without '.' or exponent
  Location location;

  // How an error message shows the token: `"text"` for a string, `end of file`, ...
  std::string describe() const;
};

class Lexer {
public:
  // `commandLine`: the text is a command-line value, and so are its locations.
  Lexer(std::string text, std::shared_ptr<const std::string> file, int firstLine = 1, bool commandLine = false);
  Token next();

private:
  void skipSpaceAndComments();
  Token readString(const Location &at);
  Token readNumber(const Location &at);
  Token readWord(Token::Kind kind, const Location &at);
  [[noreturn]] void fail(const Location &at, const std::string &message) const;
  Location here() const;
  char peek(size_t ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
  bool atEnd() const { return at_ >= text_.size(); }
  void advance();

  std::string text_;
  std::shared_ptr<const std::string> file_;
  size_t at_ = 0;
  int line_;
  int column_ = 1;
  bool commandLine_;
};

} // namespace qzscene
