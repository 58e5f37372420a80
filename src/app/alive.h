// What the Delegate hands the platform with every callback that may run
// after it is gone: the callback then does nothing. Main thread only.
#pragma once

#include <memory>
#include <utility>

namespace qv {

class Alive {
 public:
  template <class F>
  auto guard(F f) const {
    return [alive = std::weak_ptr<const bool>(token_), f = std::move(f)](auto&&... args) {
      if (!alive.expired()) f(std::forward<decltype(args)>(args)...);
    };
  }

 private:
  std::shared_ptr<const bool> token_ = std::make_shared<const bool>(true);
};

}  // namespace qv
