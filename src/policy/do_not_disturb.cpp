#include "policy/do_not_disturb.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "bridge/args.h"

namespace qv {
namespace {

constexpr const char* kDias[] = {"lun", "mar", "mie", "jue", "vie", "sab", "dom"};

bool inDay(std::int64_t minute) { return minute >= 0 && minute < kMinutesPerDay; }

}  // namespace

bool isQuiet(const QuietHours& h, LocalTime at) {
  if (!h.on) return false;
  const bool today = h.days[at.weekday % 7], yesterday = h.days[(at.weekday + 6) % 7];
  if (h.start == h.end) return today;
  if (h.start < h.end) return today && at.minute >= h.start && at.minute < h.end;
  return (today && at.minute >= h.start) || (yesterday && at.minute < h.end);
}

nlohmann::json toJson(const QuietHours& h) {
  auto dias = nlohmann::json::array();
  for (int d = 0; d < 7; ++d)
    if (h.days[d]) dias.push_back(kDias[d]);
  return {{"activo", h.on}, {"inicio", h.start}, {"fin", h.end}, {"dias", dias}};
}

std::optional<QuietHours> quietHoursFrom(const nlohmann::json& value) {
  auto on = args::boolean(value, "activo");
  auto start = args::integer(value, "inicio"), end = args::integer(value, "fin");
  auto dias = args::stringList(value, "dias");
  if (!on || !start || !end || !dias || !inDay(*start) || !inDay(*end)) return std::nullopt;
  QuietHours h{*on, static_cast<int>(*start), static_cast<int>(*end), {}};
  for (const auto& dia : *dias) {
    auto known = std::find(std::begin(kDias), std::end(kDias), dia);
    if (known == std::end(kDias)) return std::nullopt;
    h.days[known - std::begin(kDias)] = true;
  }
  return h;
}

std::string heldSummary(long held) {
  return held == 1 ? "Mientras estaba activo llegó 1 aviso."
                   : "Mientras estaba activo llegaron " + std::to_string(held) + " avisos.";
}

}  // namespace qv
