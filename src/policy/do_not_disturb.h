// The rules of "No molestar": when the quiet hours hold, how they are kept
// and told to the page, and what the user hears once it ends.
#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "host/values.h"

namespace qv {

inline constexpr int kMinutesPerDay = 24 * 60;

struct QuietHours {
  bool on = false;
  int start = 22 * 60, end = 7 * 60;  // minutes since midnight
  std::array<bool, 7> days{};         // Monday first: the days a quiet period starts on
};

// A quiet period starts at `start` on each chosen day and lasts until the
// next `end`, the next day's when it spans midnight; equal times are the
// whole day.
bool isQuiet(const QuietHours& hours, LocalTime at);

// As the settings keep them and the page sends and hears them:
// {"activo": bool, "inicio": minutes, "fin": minutes, "dias": ["lun", …, "dom"]}.
nlohmann::json toJson(const QuietHours& hours);
// Nothing when a field is missing, out of range or not a day's name.
std::optional<QuietHours> quietHoursFrom(const nlohmann::json& value);

// The summary's text for the notices held back while it was on.
std::string heldSummary(long held);

}  // namespace qv
