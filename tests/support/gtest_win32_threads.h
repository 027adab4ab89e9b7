// Force-included into GoogleTest and the Windows test programs: the win32
// thread model has no std::mutex, and GoogleTest needs one only for its
// Notification (used by its own threading tests, never by ours). This
// stands in with an atomic flag.
#pragma once

#ifdef __cplusplus
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
  public:
    Notification() : notified_(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

  private:
    std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing
#endif
