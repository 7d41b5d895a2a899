// Where a piece of scene text came from, and the one kind of error the scene
// reader raises: a message that already names its place, in the form
// FILE:LINE:COLUMN: error: TEXT.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace qzscene {

struct Location {
  std::shared_ptr<const std::string> file; // as named to the user
  int line = 0;                            // from 1; 0 for text that is no file (a command-line value)
  int column = 0;                          // from 1, in bytes
  bool commandLine = false;                // text given on the command line, not read from a scene file

  std::string describe() const; // "FILE:LINE:COLUMN", or just the name for line 0
};

// A text from the user (a command-line value, a name) as a message shows
// it: cut short, so that a runaway argument cannot flood the error output.
std::string shownText(const std::string &text);

class SceneError : public std::runtime_error {
public:
  SceneError(const Location &where, const std::string &message);
  // A mistake in a command-line option (--param, --shader), not in a file.
  bool fromCommandLine() const { return fromCommandLine_; }

private:
  bool fromCommandLine_;
};

} // namespace qzscene
