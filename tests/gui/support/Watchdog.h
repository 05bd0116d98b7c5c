// Ends a test program that hangs (a dialog nobody closes, a wait that never ends),
// so that the run fails at once instead of at ctest's timeout.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class Watchdog {
 public:
  Watchdog(const char* name, std::chrono::seconds limit)
      : thread_([this, name, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!stop_.wait_for(lock, limit, [this] { return stopped_; })) {
            std::fprintf(stderr, "%s: watchdog fired after %lld s, the test hung\n", name,
                         static_cast<long long>(limit.count()));
            std::_Exit(3);
          }
        }) {}

  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    stop_.notify_one();
    thread_.join();
  }

 private:
  // Declared before the thread, so that they exist before it starts.
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopped_ = false;
  std::thread thread_;
};
