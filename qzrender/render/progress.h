// Shows how far a render is: a bar on a terminal, or lines a render-farm
// scheduler reads ("ALF_PROGRESS 42%", flushed, one per change of percent).
#pragma once

#include <cstdio>

namespace qzrender {

class Progress {
public:
  Progress(bool bar, bool farmLines) : bar_(bar), farmLines_(farmLines) {}
  void update(double fraction);
  void finish(); // clears the bar

private:
  bool bar_;
  bool farmLines_;
  int shown_ = -1;
};

} // namespace qzrender
