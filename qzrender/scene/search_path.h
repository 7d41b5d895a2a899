// A list of folders searched in order for a file named in a scene (`link`,
// `$include`).
#pragma once

#include <string>
#include <vector>

namespace qzscene {

class SearchPath {
public:
  SearchPath() = default;
  explicit SearchPath(std::vector<std::string> folders) : folders_(std::move(folders)) {}

  // Appends the folders of a colon-separated list (an environment variable);
  // empty entries are skipped.
  void appendList(const std::string &colonSeparated);
  void append(const std::string &folder);

  // An absolute name is taken as it is; any other is looked for in each
  // folder in turn. Returns the path of the first regular file found, or "".
  std::string find(const std::string &name) const;

  // "a, b, c" for messages, or "no folders".
  std::string describe() const;
  const std::vector<std::string> &folders() const { return folders_; }

private:
  std::vector<std::string> folders_;
};

} // namespace qzscene
