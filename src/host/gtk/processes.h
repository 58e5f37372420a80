// The system's view of the engine's web processes, read from /proc.
#pragma once

#include <optional>
#include <string>

#include "host/platform.h"

namespace qv::gtk {

// The id, as this application sees it, of the process that calls itself
// `pid` inside the PID namespace `pidNamespace` ("pid:[…]", as
// /proc/<id>/ns/pid reads): the engine's sandbox gives each web process a
// namespace of its own, where it is always a small number.
std::optional<int> hostProcess(int pid, const std::string& pidNamespace);

class SystemProcesses final : public Processes {
 public:
  std::optional<ProcessUse> use(int pid) override;
};

}  // namespace qv::gtk
