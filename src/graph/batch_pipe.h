// A queue that hands batches of work from one thread to a consumer thread.
#ifndef CLUDEMAP_GRAPH_BATCH_PIPE_H_
#define CLUDEMAP_GRAPH_BATCH_PIPE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

// Batches pushed by one thread are consumed in order by a thread of the
// pipe's own. At most `capacity` batches wait at a time; push blocks while
// the queue is full, which bounds the memory the batches take. finish(), or
// else the destructor, waits until every batch has been consumed.
template <typename Batch>
class BatchPipe {
 public:
  BatchPipe(std::size_t capacity, std::function<void(Batch&)> consume)
      : capacity_(capacity), consume_(std::move(consume)) {
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      // Where the system refuses a thread, push consumes each batch itself.
    }
  }
  BatchPipe(const BatchPipe&) = delete;
  BatchPipe& operator=(const BatchPipe&) = delete;
  ~BatchPipe() { finish(); }

  void push(Batch batch) {
    if (!thread_.joinable()) {
      consume_(batch);
      return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < capacity_; });
    queue_.push_back(std::move(batch));
    changed_.notify_all();
  }

  // Returns once every batch pushed has been consumed.
  void finish() {
    if (!thread_.joinable()) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (finished_) return;
      finished_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return finished_ || !queue_.empty(); });
      if (queue_.empty()) return;
      Batch batch = std::move(queue_.front());
      queue_.pop_front();
      changed_.notify_all();
      lock.unlock();
      consume_(batch);
      lock.lock();
    }
  }

  const std::size_t capacity_;
  const std::function<void(Batch&)> consume_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> queue_;
  bool finished_ = false;
  std::thread thread_;  // not joinable when the system refused it
};

#endif  // CLUDEMAP_GRAPH_BATCH_PIPE_H_
