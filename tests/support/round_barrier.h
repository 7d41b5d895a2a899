// A reusable barrier for tests that run threads in rounds. std::barrier
// would do, but MinGW's libstdc++ builds it on a fallback wait that stalls
// under Wine; a mutex and a condition variable work the same everywhere.
#pragma once

#include <condition_variable>
#include <mutex>

namespace qztest {

class RoundBarrier {
public:
  explicit RoundBarrier(int parties) : parties_(parties) {}

  // Blocks until all parties have arrived in this round. Everything a party
  // wrote before arriving is visible to every party after it returns.
  void arriveAndWait() {
    std::unique_lock lock(mutex_);
    const unsigned long round = round_;
    if (++arrived_ == parties_) {
      arrived_ = 0;
      ++round_;
      allArrived_.notify_all();
      return;
    }
    allArrived_.wait(lock, [&] { return round_ != round; });
  }

private:
  std::mutex mutex_;
  std::condition_variable allArrived_;
  const int parties_;
  int arrived_ = 0;
  unsigned long round_ = 0;
};

} // namespace qztest
