#include "panes/hibernation.h"

#include <charconv>
#include <cmath>

namespace qv {

std::optional<double> hibernationDelay(const std::optional<std::string>& minutes) {
  double value = kHibernationDefaultMinutes;
  if (minutes) {
    double read = 0;
    auto [end, error] = std::from_chars(minutes->data(), minutes->data() + minutes->size(), read);
    if (error == std::errc() && end == minutes->data() + minutes->size() && std::isfinite(read) &&
        read >= 0)
      value = read;
  }
  if (value == 0) return std::nullopt;
  return value * 60;
}

}  // namespace qv
