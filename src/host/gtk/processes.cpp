#include "host/gtk/processes.h"

#include <glib.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {
namespace {

std::optional<std::string> link(const std::string& path) {
  GCharPtr target(g_file_read_link(path.c_str(), nullptr));
  if (!target) return std::nullopt;
  return std::string(target.get());
}

// The innermost of the ids a process has in the namespaces it is nested in.
std::optional<int> innermostId(const std::string& status) {
  std::ifstream in(status);
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("NSpid:")) continue;
    auto last = line.find_last_of(" \t");
    int id = 0;
    auto [end, error] = std::from_chars(line.data() + last + 1, line.data() + line.size(), id);
    if (error == std::errc()) return id;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> hostProcess(int pid, const std::string& pidNamespace) {
  if (link("/proc/self/ns/pid") == pidNamespace) return pid;
  std::unique_ptr<GDir, FreeWith<g_dir_close>> proc(g_dir_open("/proc", 0, nullptr));
  if (!proc) return std::nullopt;
  while (const char* entry = g_dir_read_name(proc.get())) {
    int id = 0;
    const char* end = entry + strlen(entry);
    if (std::from_chars(entry, end, id).ptr != end) continue;
    const std::string folder = std::string("/proc/") + entry;
    if (link(folder + "/ns/pid") == pidNamespace && innermostId(folder + "/status") == pid)
      return id;
  }
  return std::nullopt;
}

std::optional<ProcessUse> SystemProcesses::use(int pid) {
  const std::string folder = "/proc/" + std::to_string(pid);
  std::ifstream stat(folder + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  // After the name, which may hold spaces and parentheses of its own, the
  // user and system times are the 12th and 13th fields.
  auto close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;
  unsigned long long user = 0, system = 0;
  if (!(fields >> user >> system)) return std::nullopt;
  ProcessUse use{.cpuSeconds = static_cast<double>(user + system) /
                               static_cast<double>(sysconf(_SC_CLK_TCK))};
  std::ifstream rollup(folder + "/smaps_rollup");
  for (std::string entry; std::getline(rollup, entry);)
    if (entry.starts_with("Pss:")) use.pssKiB = std::stoll(entry.substr(4));
  return use;
}

}  // namespace qv::gtk
