// The five kinds a bridge argument can be read as. A value of another kind
// counts as absent: nothing is ever converted between kinds.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace qv::args {

std::optional<std::string> string(const nlohmann::json& body, const char* key);
std::optional<double> number(const nlohmann::json& body, const char* key);
std::optional<std::int64_t> integer(const nlohmann::json& body, const char* key);
std::optional<bool> boolean(const nlohmann::json& body, const char* key);
std::optional<std::vector<std::string>> stringList(const nlohmann::json& body, const char* key);

}  // namespace qv::args
