#pragma once
// A blocking call that may never come back (a resolver, a bus that does not
// answer) run on a thread of its own and waited for only so long. A call that
// overstays is left to end alone; what it returns then dies with it.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {

template <class T>
class TimedCall {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts `work` (returning T) on a thread of its own; false when no thread
  // could be had.
  template <class Work>
  bool start(Work work) {
    auto state = std::make_shared<State>();
    try {
      std::thread([state, work = std::move(work)]() mutable {
        T result = work();
        std::lock_guard<std::mutex> lock(state->mutex);
        state->result = std::move(result);
        state->finished = true;
        state->done.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      return false;
    }
    state_ = std::move(state);
    return true;
  }

  // What the call returned, when it came back by `deadline`.
  std::optional<T> waitUntil(Clock::time_point deadline) {
    if (!state_) return std::nullopt;
    std::unique_lock<std::mutex> lock(state_->mutex);
    if (!state_->done.wait_until(lock, deadline, [&] { return state_->finished; }))
      return std::nullopt;
    return std::exchange(state_->result, std::nullopt);
  }

  // Whether a call was started and has not come back yet.
  bool running() const {
    if (!state_) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->finished;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<T> result;
  };
  std::shared_ptr<State> state_;
};

}  // namespace platform
