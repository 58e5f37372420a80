// The settings file: one JSON object in $XDG_CONFIG_HOME/quorvex, read once
// at start and written whole, atomically, readable by the user alone.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "host/platform.h"

namespace qv::gtk {

class SettingsFile final : public Settings {
 public:
  explicit SettingsFile(std::string path);

  std::optional<std::string> string(const std::string& key) override;
  void setString(const std::string& key, const std::string& value) override;

  const nlohmann::json& value(const std::string& key) const;
  void setValue(const std::string& key, nlohmann::json value);

 private:
  void save() const;

  std::string path_;
  nlohmann::json values_;
};

}  // namespace qv::gtk
