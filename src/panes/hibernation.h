// How long a hidden pane keeps its web process, from the user's setting.
#pragma once

#include <optional>
#include <string>

namespace qv {

inline constexpr char kHibernationSetting[] = "hibernar.minutos";
inline constexpr double kHibernationDefaultMinutes = 10;

// Seconds a pane stays hidden before it hibernates: the setting in minutes,
// 10 when it is missing or unreadable, none when it is 0 (never).
std::optional<double> hibernationDelay(const std::optional<std::string>& minutes);

}  // namespace qv
