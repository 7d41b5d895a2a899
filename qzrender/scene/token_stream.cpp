#include "token_stream.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qzscene {
namespace {

Location fileLocation(const std::string &path) { return Location{std::make_shared<const std::string>(path), 0, 0}; }

} // namespace

std::string readSceneFile(const std::string &path, const Location *from) {
  namespace fs = std::filesystem;
  const Location at = from ? *from : fileLocation(path);
  const std::string prefix = from ? "cannot read \"" + path + "\": " : "cannot read the file: ";
  std::error_code error;
  if (fs::is_directory(path, error))
    throw SceneError(at, prefix + "it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw SceneError(at, prefix + std::strerror(errno));
  std::string text;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxFileSize)
      throw SceneError(at, prefix + "larger than " + std::to_string(kMaxFileSize >> 20) + " MiB");
  }
  if (in.bad())
    throw SceneError(at, prefix + "read error");
  return text;
}

TokenStream::TokenStream(const std::string &path, SearchPath includes) : includes_(std::move(includes)) {
  push(path, nullptr);
}

TokenStream::TokenStream(std::string text, const std::string &name) : includesAllowed_(false) {
  auto file = std::make_shared<const std::string>(name);
  sources_.push_back(Source{Lexer(std::move(text), file, 0, true), name});
}

void TokenStream::push(const std::string &path, const Location *from) {
  std::error_code error;
  std::string identity = std::filesystem::weakly_canonical(path, error).string();
  if (identity.empty())
    identity = path;
  for (const Source &open : sources_)
    if (open.identity == identity)
      throw SceneError(*from, "$include cycle: \"" + path + "\" is already being read");
  std::string text = readSceneFile(path, from);
  sources_.push_back(Source{Lexer(std::move(text), std::make_shared<const std::string>(path)), identity});
}

void TokenStream::include(const Token &directive) {
  const Token name = sources_.back().lexer.next();
  if (name.kind != Token::Kind::String)
    throw SceneError(name.location, "expected a file name in double quotes after $include, found " + name.describe());
  if (!includesAllowed_)
    throw SceneError(directive.location, "$include is not allowed here");
  if (static_cast<int>(sources_.size()) > kMaxIncludeDepth)
    throw SceneError(directive.location, "$include nested more than " + std::to_string(kMaxIncludeDepth) + " deep");
  if (++includeCount_ > kMaxIncludes)
    throw SceneError(directive.location, "more than " + std::to_string(kMaxIncludes) + " $include statements");
  const std::string path = includes_.find(name.text);
  if (path.empty())
    throw SceneError(name.location, "cannot find \"" + name.text + "\" (searched " + includes_.describe() + ")");
  push(path, &name.location);
}

Token TokenStream::read() {
  while (true) {
    Token token = sources_.back().lexer.next();
    if (token.kind == Token::Kind::End && sources_.size() > 1) {
      sources_.pop_back();
      continue;
    }
    if (token.kind == Token::Kind::Directive) {
      if (token.text != "include")
        throw SceneError(token.location, "unknown directive $" + token.text + " (qzrender knows $include)");
      include(token);
      continue;
    }
    return token;
  }
}

Token TokenStream::next() {
  if (peeked_) {
    Token token = std::move(*peeked_);
    peeked_.reset();
    return token;
  }
  return read();
}

const Token &TokenStream::peek() {
  if (!peeked_)
    peeked_ = read();
  return *peeked_;
}

} // namespace qzscene
