// What the end-to-end suite can ask of the running application: each
// operation answers once, with a JSON object.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "host/gtk/run.h"

namespace qv::e2e {

using Answer = std::function<void(nlohmann::json)>;
using Op = void (*)(gtk::Runtime&, const nlohmann::json&, Answer);

const std::map<std::string, Op>& controlOps();
WebKitWebView* findView(gtk::Runtime& rt, const std::string& name);

}  // namespace qv::e2e
