// A fresh temporary folder for one test's scene files and images, removed
// with everything in it at the end.
#pragma once

#include <string>

namespace qztest {

class SceneFolder {
public:
  SceneFolder();
  ~SceneFolder();
  SceneFolder(const SceneFolder &) = delete;
  SceneFolder &operator=(const SceneFolder &) = delete;

  const std::string &path() const { return path_; }
  // Writes `text` to the file `name` in the folder; returns its path.
  std::string write(const std::string &name, const std::string &text) const;
  std::string file(const std::string &name) const { return path_ + "/" + name; }
  // Names of the files in the folder, sorted.
  std::string listing() const;

private:
  std::string path_;
};

} // namespace qztest
