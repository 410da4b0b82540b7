#pragma once

#include <functional>
#include <map>

namespace nulvane::platform {

// Logic objects announce "repaint" through this; views subscribe and re-read the state they show.
class Observable {
 public:
  using Listener = std::function<void()>;

  int Subscribe(Listener listener) {
    listeners_[next_id_] = std::move(listener);
    return next_id_++;
  }
  void Unsubscribe(int id) { listeners_.erase(id); }

  void NotifyChanged() const {
    for (const auto& [id, listener] : listeners_) listener();
  }

 protected:
  Observable() = default;
  ~Observable() = default;
  Observable(const Observable&) = delete;
  Observable& operator=(const Observable&) = delete;

 private:
  std::map<int, Listener> listeners_;
  int next_id_ = 1;
};

}  // namespace nulvane::platform
