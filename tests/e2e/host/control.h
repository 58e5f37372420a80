// A line-based JSON control channel: requests on standard input, answers on
// file descriptor 3, each answer carrying the request's "seq".
#pragma once

#include <gio/gio.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/run.h"

namespace qv::e2e {

using Answer = std::function<void(nlohmann::json)>;
using Op = std::function<void(gtk::Runtime&, const nlohmann::json&, Answer)>;

const std::map<std::string, Op>& controlOps();
void addPageScript(gtk::Runtime& runtime, const std::string& source);

class Control {
 public:
  explicit Control(gtk::Runtime& runtime);

 private:
  void readNext();
  void handle(const std::string& line);

  gtk::Runtime& runtime_;
  gtk::GObjectPtr<GDataInputStream> input_;
};

}  // namespace qv::e2e
