// A list of callbacks that threads may add, remove and call at the same time. Once Remove returns,
// the removed callback is neither running on another thread nor called again, so its owner may
// destroy whatever it captured. A callback may remove itself (or others) while it runs.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

template <typename... Args>
class CallbackList {
 public:
  CallbackList() = default;
  CallbackList(const CallbackList&) = delete;
  CallbackList& operator=(const CallbackList&) = delete;

  // Returns an id (> 0) for Remove. An empty function is not added and gets 0.
  int Add(std::function<void(Args...)> fn) {
    if (!fn) return 0;
    auto entry = std::make_shared<Entry>();
    entry->fn = std::move(fn);
    std::lock_guard<std::mutex> lock(m_mutex);
    entry->id = ++m_lastId;
    m_entries.push_back(entry);
    return entry->id;
  }

  // Unknown ids are ignored.
  void Remove(int id) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [id](const std::shared_ptr<Entry>& e) { return e->id == id; });
    if (it == m_entries.end()) return;
    std::shared_ptr<Entry> entry = *it;
    m_entries.erase(it);
    entry->removed = true;
    const std::thread::id self = std::this_thread::get_id();
    m_idle.wait(lock, [&] {
      return std::all_of(entry->running.begin(), entry->running.end(),
                         [&](const std::thread::id& t) { return t == self; });
    });
  }

  // Calls every callback present when the call starts, in the order they were added,
  // skipping those removed meanwhile.
  void Call(Args... args) {
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      snapshot = m_entries;
    }
    const std::thread::id self = std::this_thread::get_id();
    for (const std::shared_ptr<Entry>& entry : snapshot) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (entry->removed) continue;
        entry->running.push_back(self);
      }
      struct Done {
        CallbackList* list;
        Entry* entry;
        std::thread::id self;
        ~Done() {
          std::lock_guard<std::mutex> lock(list->m_mutex);
          auto pos = std::find(entry->running.begin(), entry->running.end(), self);
          if (pos != entry->running.end()) entry->running.erase(pos);
          list->m_idle.notify_all();
        }
      } done{this, entry.get(), self};
      entry->fn(args...);
    }
  }

  bool Empty() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.empty();
  }

 private:
  struct Entry {
    int id = 0;
    bool removed = false;
    std::function<void(Args...)> fn;
    std::vector<std::thread::id> running;  // threads inside fn right now
  };

  mutable std::mutex m_mutex;
  std::condition_variable m_idle;
  std::vector<std::shared_ptr<Entry>> m_entries;
  int m_lastId = 0;
};

}  // namespace platform
