#include "host/gtk/settings_file.h"

#include <glib.h>

#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {

SettingsFile::SettingsFile(std::string path)
    : path_(std::move(path)), values_(nlohmann::json::object()) {
  gchar* raw = nullptr;
  gsize length = 0;
  GError* error = nullptr;
  // No file yet is the first start: the settings are empty.
  if (g_file_get_contents(path_.c_str(), &raw, &length, &error)) {
    GCharPtr text(raw);
    auto parsed = nlohmann::json::parse(std::string_view(text.get(), length), nullptr, false);
    if (parsed.is_object()) values_ = std::move(parsed);
  } else {
    debugError(error, "ajustes no leídos");
  }
}

std::optional<std::string> SettingsFile::string(const std::string& key) {
  auto it = values_.find(key);
  if (it == values_.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

void SettingsFile::setString(const std::string& key, const std::string& value) {
  setValue(key, value);
}

const nlohmann::json& SettingsFile::value(const std::string& key) const {
  static const nlohmann::json none;
  auto it = values_.find(key);
  return it == values_.end() ? none : *it;
}

void SettingsFile::setValue(const std::string& key, nlohmann::json value) {
  // Windows save their frame every time it settles and again at exit: a
  // value that did not change leaves the disk alone.
  if (auto it = values_.find(key); it != values_.end() && *it == value) return;
  values_[key] = std::move(value);
  save();
}

void SettingsFile::save() const {
  GCharPtr folder(g_path_get_dirname(path_.c_str()));
  g_mkdir_with_parents(folder.get(), 0700);
  auto text = values_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  GError* error = nullptr;
  g_file_set_contents_full(path_.c_str(), text.c_str(), static_cast<gssize>(text.size()),
                           G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error);
  debugError(error, "ajustes no guardados");
}

}  // namespace qv::gtk
