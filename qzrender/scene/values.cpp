#include "values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qzscene {
namespace {

std::string article(ValueType type) { return type == ValueType::Integer ? "an " : "a "; }

Token expectNumber(TokenStream &tokens, ValueType type, const std::string &what) {
  Token token = tokens.next();
  if (token.kind != Token::Kind::Number) {
    const std::string expected =
        type == ValueType::Color ? "a color (3 or 4 numbers)" : article(type) + valueTypeName(type);
    throw SceneError(token.location, what + " takes " + expected + ", found " + token.describe());
  }
  return token;
}

// A leading '+' is valid scene text but not for from_chars.
const char *numberStart(const Token &token) { return token.text.c_str() + (token.text[0] == '+' ? 1 : 0); }

float toScalar(const Token &token) {
  float value = 0.0f;
  const char *end = token.text.c_str() + token.text.size();
  const auto [stop, error] = std::from_chars(numberStart(token), end, value);
  if (error == std::errc::result_out_of_range) {
    // from_chars reports underflow as out of range too; such a number is
    // simply zero (with its sign) in a scalar.
    double wide = std::strtod(token.text.c_str(), nullptr);
    if (std::isfinite(wide) && std::fabs(wide) < 1.0)
      return static_cast<float>(wide);
    throw SceneError(token.location, "number " + token.text + " is out of range for a scalar");
  }
  if (error != std::errc() || stop != end)
    throw SceneError(token.location, "malformed number " + token.text);
  return value;
}

int32_t toInteger(const Token &token, const std::string &what) {
  if (!token.integer)
    throw SceneError(token.location, what + " takes an integer, found " + token.text);
  int32_t value = 0;
  const char *end = token.text.c_str() + token.text.size();
  const auto [stop, error] = std::from_chars(numberStart(token), end, value);
  if (error == std::errc::result_out_of_range)
    throw SceneError(token.location, "integer " + token.text + " is out of range (-2147483648 to 2147483647)");
  if (error != std::errc() || stop != end)
    throw SceneError(token.location, "malformed number " + token.text);
  return value;
}

template <typename T> void put(Value &value, size_t offset, T field) {
  std::memcpy(value.data() + offset, &field, sizeof field);
}

template <typename T> T get(const Value &value, size_t offset) {
  T field;
  std::memcpy(&field, value.data() + offset, sizeof field);
  return field;
}

std::string formatScalar(float scalar) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(scalar));
  return text;
}

} // namespace

Value readValue(TokenStream &tokens, ValueType type, const std::string &what) {
  Value value{};
  switch (type) {
  case ValueType::Scalar:
    put(value, 0, toScalar(expectNumber(tokens, type, what)));
    break;
  case ValueType::Integer:
    put(value, 0, toInteger(expectNumber(tokens, type, what), what));
    break;
  case ValueType::Color:
    for (size_t channel = 0; channel < 3; ++channel)
      put(value, 4 * channel, toScalar(expectNumber(tokens, type, what)));
    if (tokens.peek().kind == Token::Kind::Number)
      put(value, 12, toScalar(tokens.next()));
    break;
  }
  return value;
}

std::string formatValue(const Value &value, ValueType type) {
  switch (type) {
  case ValueType::Scalar:
    return formatScalar(get<float>(value, 0));
  case ValueType::Integer:
    return std::to_string(get<int32_t>(value, 0));
  case ValueType::Color:
    return formatScalar(get<float>(value, 0)) + " " + formatScalar(get<float>(value, 4)) + " " +
           formatScalar(get<float>(value, 8)) + " " + formatScalar(get<float>(value, 12));
  }
  return {};
}

} // namespace qzscene
