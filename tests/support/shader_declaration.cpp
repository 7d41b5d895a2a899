#include "shader_declaration.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qztest {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

// Words, "quoted names" and the punctuation ( ) , as tokens of their own;
// '#' comments run to the end of the line.
std::vector<Token> tokenize(std::istream &in) {
  std::vector<Token> tokens;
  for (std::string line; std::getline(in, line);) {
    for (size_t i = 0; i < line.size();) {
      const char c = line[i];
      if (c == '#')
        break;
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '(' || c == ')' || c == ',') {
        tokens.push_back({std::string(1, c)});
        ++i;
      } else if (c == '"') {
        const size_t end = line.find('"', i + 1);
        if (end == std::string::npos)
          throw std::runtime_error("unterminated name");
        tokens.push_back({line.substr(i + 1, end - i - 1), true});
        i = end + 1;
      } else {
        size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])) &&
               std::string("(),\"#").find(line[end]) == std::string::npos)
          ++end;
        tokens.push_back({line.substr(i, end - i)});
        i = end;
      }
    }
  }
  return tokens;
}

class Reader {
public:
  explicit Reader(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  const Token &peek() const {
    if (at_ >= tokens_.size())
      throw std::runtime_error("unexpected end");
    return tokens_[at_];
  }
  Token next() {
    Token token = peek();
    ++at_;
    return token;
  }
  void expect(const std::string &word) {
    const Token token = next();
    if (token.quoted || token.text != word)
      throw std::runtime_error("expected " + word + ", found " + token.text);
  }
  std::string name() {
    const Token token = next();
    if (!token.quoted)
      throw std::runtime_error("expected a quoted name, found " + token.text);
    return token.text;
  }
  bool nextIsNumber() const {
    if (at_ >= tokens_.size() || tokens_[at_].quoted)
      return false;
    std::istringstream in(tokens_[at_].text);
    double value;
    return static_cast<bool>(in >> value) && in.eof();
  }
  double number() {
    if (!nextIsNumber())
      throw std::runtime_error("expected a number, found " + peek().text);
    return std::stod(next().text);
  }
  bool done() const { return at_ == tokens_.size(); }

private:
  std::vector<Token> tokens_;
  size_t at_ = 0;
};

ShaderDeclaration parse(Reader &in) {
  ShaderDeclaration shader;
  in.expect("declare");
  in.expect("shader");
  shader.resultType = in.next().text;
  shader.name = in.name();
  in.expect("(");
  while (in.peek().text != ")") {
    if (!shader.parameters.empty())
      in.expect(",");
    DeclaredParameter parameter;
    parameter.type = in.next().text;
    parameter.name = in.name();
    if (in.peek().text == "default") {
      in.next();
      while (in.nextIsNumber())
        parameter.defaults.push_back(in.number());
    }
    shader.parameters.push_back(parameter);
  }
  in.expect(")");
  for (std::string word = in.next().text; word != "end"; word = in.next().text) {
    if (word == "version")
      shader.version = static_cast<int>(in.number());
    else if (word == "apply")
      shader.apply.push_back(in.next().text);
    else
      throw std::runtime_error("unexpected " + word);
  }
  in.expect("declare");
  if (!in.done())
    throw std::runtime_error("text after end declare");
  return shader;
}

} // namespace

ShaderDeclaration readShaderDeclaration(const std::string &path) {
  std::ifstream file(path);
  if (!file)
    throw std::runtime_error("cannot open " + path);
  try {
    Reader reader(tokenize(file));
    return parse(reader);
  } catch (const std::runtime_error &error) {
    throw std::runtime_error(path + ": " + error.what());
  }
}

} // namespace qztest
