#include "app/delegate.h"

namespace qv {

void Delegate::fetch(const nlohmann::json&) {}
void Delegate::responde(const std::string&, const std::string&, const std::string&) {}
void Delegate::fetchRed(const std::string&, const std::string&, const nlohmann::json&) {}

}  // namespace qv
