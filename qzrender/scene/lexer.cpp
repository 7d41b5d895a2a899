#include "lexer.h"

#include <cstdio>

namespace qzscene {
namespace {

bool isWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isWordPart(char c) { return isWordStart(c) || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string showCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7F)
    return std::string("'") + c + "'";
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", byte);
  return hex;
}

} // namespace

std::string Token::describe() const {
  switch (kind) {
  case Kind::End:
    return "end of file";
  case Kind::String:
    return "\"" + (text.size() > 40 ? text.substr(0, 40) + "..." : text) + "\"";
  case Kind::Directive:
    return "$" + text;
  case Kind::Word:
    return "\"" + text + "\"";
  default:
    return text;
  }
}

Lexer::Lexer(std::string text, std::shared_ptr<const std::string> file, int firstLine, bool commandLine)
    : text_(std::move(text)), file_(std::move(file)), line_(firstLine), commandLine_(commandLine) {}

Location Lexer::here() const { return Location{file_, line_, column_, commandLine_}; }

void Lexer::fail(const Location &at, const std::string &message) const { throw SceneError(at, message); }

void Lexer::advance() {
  if (text_[at_] == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  ++at_;
}

void Lexer::skipSpaceAndComments() {
  while (!atEnd()) {
    const char c = peek();
    if (c == '#') {
      while (!atEnd() && peek() != '\n')
        advance();
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      advance();
    } else {
      return;
    }
  }
}

Token Lexer::next() {
  skipSpaceAndComments();
  const Location at = here();
  if (atEnd())
    return Token{Token::Kind::End, "", false, at};
  const char c = peek();
  auto punctuation = [&](Token::Kind kind) {
    advance();
    return Token{kind, std::string(1, c), false, at};
  };
  switch (c) {
  case '(':
    return punctuation(Token::Kind::OpenParen);
  case ')':
    return punctuation(Token::Kind::CloseParen);
  case ',':
    return punctuation(Token::Kind::Comma);
  case '=':
    return punctuation(Token::Kind::Equals);
  case '"':
    return readString(at);
  case '$':
    advance();
    if (!isWordStart(peek()))
      fail(at, "expected a directive name after '$'");
    return readWord(Token::Kind::Directive, at);
  default:
    break;
  }
  if (isDigit(c) || ((c == '-' || c == '+' || c == '.') && (isDigit(peek(1)) || (peek(1) == '.' && isDigit(peek(2))))))
    return readNumber(at);
  if (isWordStart(c))
    return readWord(Token::Kind::Word, at);
  fail(at, "unexpected character " + showCharacter(c));
}

Token Lexer::readString(const Location &at) {
  advance(); // opening quote
  std::string value;
  while (true) {
    if (atEnd() || peek() == '\n')
      fail(at, "string is not closed on its line");
    const char c = peek();
    advance();
    if (c == '"')
      break;
    if (c == '\\') {
      const char escaped = peek();
      if (escaped != '"' && escaped != '\\')
        fail(here(), "unknown escape sequence in a string (only \\\" and \\\\ are known)");
      advance();
      value += escaped;
    } else {
      value += c;
    }
    if (value.size() > kMaxStringLength)
      fail(at, "string is longer than " + std::to_string(kMaxStringLength) + " characters");
  }
  return Token{Token::Kind::String, std::move(value), false, at};
}

// [+-] digits [. digits] [(e|E) [+-] digits], or [+-] . digits [...]
Token Lexer::readNumber(const Location &at) {
  const size_t start = at_;
  bool integer = true;
  if (peek() == '-' || peek() == '+')
    advance();
  while (isDigit(peek()))
    advance();
  if (peek() == '.') {
    integer = false;
    advance();
    while (isDigit(peek()))
      advance();
  }
  if (peek() == 'e' || peek() == 'E') {
    integer = false;
    advance();
    if (peek() == '-' || peek() == '+')
      advance();
    if (!isDigit(peek()))
      fail(at, "number has an exponent without digits");
    while (isDigit(peek()))
      advance();
  }
  if (isWordPart(peek()) || peek() == '.')
    fail(at, "malformed number");
  if (at_ - start > 64)
    fail(at, "number is longer than 64 characters");
  return Token{Token::Kind::Number, text_.substr(start, at_ - start), integer, at};
}

Token Lexer::readWord(Token::Kind kind, const Location &at) {
  const size_t start = at_;
  while (isWordPart(peek())) {
    advance();
    if (at_ - start > kMaxWordLength)
      fail(at, "word is longer than " + std::to_string(kMaxWordLength) + " characters");
  }
  return Token{kind, text_.substr(start, at_ - start), false, at};
}

} // namespace qzscene
