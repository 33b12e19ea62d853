// Threads that run tasks in the background, newest task first.
#ifndef CLUDEMAP_SCAN_WORKER_POOL_H_
#define CLUDEMAP_SCAN_WORKER_POOL_H_

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// A fixed number of threads taking tasks from one stack: the task pushed
// last runs first, so work found while running a task is done before older
// work. Tasks must not wait for tasks still on the stack. drain(), and
// destroying the pool, drop the tasks not yet started and wait for the
// running ones.
template <typename Task>
class WorkerPool {
 public:
  // Starts up to `threads` threads: where the system refuses more (a limit
  // on processes or address space), the pool makes do with those it has,
  // even none, and then drops every task pushed.
  WorkerPool(unsigned threads, std::function<void(const Task&)> run) : run_(std::move(run)) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
      try {
        threads_.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        break;
      }
    }
  }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  ~WorkerPool() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      tasks_.clear();
    }
    ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // Drops the tasks not yet started and returns once none is running; the
  // threads then wait for new tasks. Tasks pushed meanwhile by running ones
  // are dropped too.
  void drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    draining_ = true;
    tasks_.clear();
    idle_.wait(lock, [this] { return running_ == 0; });
    draining_ = false;
  }

  // Pushes `tasks` so that they run in their given order, all before any
  // task pushed earlier.
  void push(const std::vector<Task>& tasks) {
    if (tasks.empty() || threads_.empty()) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (draining_) return;
      tasks_.insert(tasks_.end(), tasks.rbegin(), tasks.rend());
    }
    ready_.notify_all();
  }

 private:
  void work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (stopping_) return;
      const Task task = std::move(tasks_.back());
      tasks_.pop_back();
      ++running_;
      lock.unlock();
      run_(task);
      lock.lock();
      --running_;
      if (running_ == 0) idle_.notify_all();
    }
  }

  const std::function<void(const Task&)> run_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable idle_;  // running_ dropped to 0
  std::vector<Task> tasks_;       // the next task last
  unsigned running_ = 0;
  bool draining_ = false;
  bool stopping_ = false;
  std::vector<std::thread> threads_;  // last, so it starts after the rest exists
};

#endif  // CLUDEMAP_SCAN_WORKER_POOL_H_
