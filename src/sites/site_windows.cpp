#include "app/delegate.h"

namespace qv {

WebView* Delegate::sitioWeb(const std::string&) { return nullptr; }
void Delegate::sitioMostrar(const std::string&) {}

}  // namespace qv
