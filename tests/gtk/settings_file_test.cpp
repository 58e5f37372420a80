// The settings file against real files: what a damaged file gives, and that
// a value set again unchanged leaves the disk alone (windows save their frame
// every time it settles).
#include "host/gtk/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.reset(g_dir_make_tmp("qv-settings-XXXXXX", nullptr));
    path_ = std::string(folder_.get()) + "/quorvex/settings.json";
  }
  void TearDown() override { std::filesystem::remove_all(folder_.get()); }
  void put(const std::string& text) {
    g_mkdir_with_parents((std::string(folder_.get()) + "/quorvex").c_str(), 0700);
    std::ofstream(path_) << text;
  }
  std::string onDisk() const {
    std::stringstream text;
    text << std::ifstream(path_).rdbuf();
    return text.str();
  }

  GCharPtr folder_;
  std::string path_;
};

TEST_F(SettingsFileTest, AFileThatIsNoObjectStartsEmptyAndIsReplacedWhole) {
  for (const char* text : {"{\"a\": ", "[1, 2]", "\"a\"", "null", "", "\xff\xfe"}) {
    SCOPED_TRACE(text);
    put(text);
    SettingsFile settings(path_);
    EXPECT_TRUE(settings.value("a").is_null());
    EXPECT_EQ(settings.string("a"), std::nullopt);
    settings.setString("a", "b");
    EXPECT_EQ(nlohmann::json::parse(onDisk()), (nlohmann::json{{"a", "b"}}));
  }
}

TEST_F(SettingsFileTest, OnlyAChangedValueIsWrittenAndTheNextStartReadsIt) {
  {
    SettingsFile settings(path_);
    settings.setValue("marco", {{"width", 900}});
    settings.setString("avisos", "permitidos");
  }
  SettingsFile settings(path_);
  EXPECT_EQ(settings.value("marco"), (nlohmann::json{{"width", 900}}));
  EXPECT_EQ(settings.string("avisos"), "permitidos");
  EXPECT_EQ(settings.string("marco"), std::nullopt);
  put("sin tocar");
  settings.setValue("marco", {{"width", 900}});
  settings.setString("avisos", "permitidos");
  EXPECT_EQ(onDisk(), "sin tocar");
  settings.setValue("marco", {{"width", 901}});
  EXPECT_EQ(nlohmann::json::parse(onDisk()),
            (nlohmann::json{{"marco", {{"width", 901}}}, {"avisos", "permitidos"}}));
}

}  // namespace
}  // namespace qv::gtk
