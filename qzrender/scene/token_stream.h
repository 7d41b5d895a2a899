// The tokens of a scene file with its `$include`s read in place: an include
// pushes the named file, whose tokens come next, and its end returns to the
// including file. Bounds the work a hostile file can cause: file size,
// include depth, include count, and include cycles.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lexer.h"
#include "search_path.h"

namespace qzscene {

constexpr size_t kMaxFileSize = 16u << 20;
constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxIncludes = 1024;

class TokenStream {
public:
  // A scene file; `$include` names are searched in `includes`.
  TokenStream(const std::string &path, SearchPath includes);
  // Text that is no file (a command-line value), named `name` in messages,
  // which count as command-line mistakes; `$include` is not allowed in it.
  TokenStream(std::string text, const std::string &name);

  Token next();
  const Token &peek();

private:
  struct Source {
    Lexer lexer;
    std::string identity; // canonical path, to find include cycles
  };
  Token read();
  void include(const Token &directive);
  void push(const std::string &path, const Location *from);

  std::vector<Source> sources_;
  SearchPath includes_;
  bool includesAllowed_ = true;
  int includeCount_ = 0;
  std::optional<Token> peeked_;
};

// Reads a whole file, at most kMaxFileSize bytes; throws SceneError at `from`
// (or naming the file) when it cannot.
std::string readSceneFile(const std::string &path, const Location *from);

} // namespace qzscene
