#include "bridge/args.h"

#include <cmath>

namespace qv::args {
namespace {

const nlohmann::json* field(const nlohmann::json& body, const char* key) {
  if (!body.is_object()) return nullptr;
  auto it = body.find(key);
  return it == body.end() ? nullptr : &*it;
}

}  // namespace

std::optional<std::string> string(const nlohmann::json& body, const char* key) {
  auto f = field(body, key);
  if (!f || !f->is_string()) return std::nullopt;
  return f->get<std::string>();
}

std::optional<double> number(const nlohmann::json& body, const char* key) {
  auto f = field(body, key);
  if (!f || !f->is_number()) return std::nullopt;
  return f->get<double>();
}

std::optional<std::int64_t> integer(const nlohmann::json& body, const char* key) {
  auto f = field(body, key);
  if (!f || !f->is_number()) return std::nullopt;
  if (f->is_number_integer() && !f->is_number_unsigned()) return f->get<std::int64_t>();
  // Page numbers are doubles: whole and inside the signed 64-bit range.
  double d = f->get<double>();
  if (!std::isfinite(d) || d != std::trunc(d) || d < -0x1p63 || d >= 0x1p63) return std::nullopt;
  return static_cast<std::int64_t>(d);
}

std::optional<bool> boolean(const nlohmann::json& body, const char* key) {
  auto f = field(body, key);
  if (!f || !f->is_boolean()) return std::nullopt;
  return f->get<bool>();
}

std::optional<std::vector<std::string>> stringList(const nlohmann::json& body, const char* key) {
  auto f = field(body, key);
  if (!f || !f->is_array()) return std::nullopt;
  std::vector<std::string> out;
  for (const auto& e : *f) {
    if (!e.is_string()) return std::nullopt;
    out.push_back(e.get<std::string>());
  }
  return out;
}

}  // namespace qv::args
