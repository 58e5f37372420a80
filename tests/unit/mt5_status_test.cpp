// The MetaTrader 5 status reader over a temporary home holding Wine prefixes
// of every kind the standard configuration scans.
#include "bridge/mt5_status.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/config.h"
#include "util/base64.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

struct Mt5StatusTest : ::testing::Test {
  fs::path home;
  std::vector<std::string> prefixes;
  const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(1);

  void SetUp() override {
    char name[] = "/tmp/qv-mt5-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    home = name;
    prefixes = Config::standard(home.string()).mt5Prefixes;
  }
  void TearDown() override { fs::remove_all(home); }

  // A file `seconds` older than `base`, holding its own place unless a text is given.
  fs::path put(const std::string& prefix, const std::string& user, int seconds,
               const char* appData = "AppData/Roaming", const char* name = kMt5StatusFile,
               const char* text = nullptr) {
    const auto path = home / prefix / "drive_c/users" / user / appData / kMt5CommonFiles / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << (text ? std::string(text) : prefix + user + appData);
    fs::last_write_time(path, base - std::chrono::seconds(seconds));
    return path;
  }
  std::string newest() {
    auto bytes = base64Decode(mt5Status(prefixes));
    return bytes ? *bytes : "(not base64)";
  }
};

TEST_F(Mt5StatusTest, TheNewestOfEveryPrefixAndUserWinsAndTiesGoToTheEarlierOne) {
  EXPECT_EQ(mt5Status(prefixes), "");
  fs::create_directories(home / ".wine/drive_c/users");
  std::ofstream(home / ".wine/drive_c/users/desktop.ini") << "x";
  std::ofstream(home / ".cxoffice") << "a file where a folder of bottles would be";
  EXPECT_EQ(mt5Status(prefixes), "");

  const std::tuple<std::string, std::string, const char*> places[] = {
      {".mt5", "alice", "AppData/Roaming"},
      {".wine", "xp", "Application Data"},
      {".var/app/com.usebottles.bottles/data/bottles/bottles/MT5", "steamuser", "AppData/Roaming"},
      {".local/share/bottles/bottles/Trading", "carol", "AppData/Roaming"},
      {"Games/metatrader-5", "dave", "AppData/Roaming"},
      {".PlayOnLinux/wineprefix/MT5", "erin", "Application Data"},
  };
  // Each in turn is the newest; an equal date later in the scan does not win.
  int age = 100;
  for (const auto& [prefix, user, appData] : places) {
    put(prefix, user, --age, appData);
    EXPECT_EQ(newest(), prefix + user + appData);
  }
  put(".mt5", "alice", 0, "Application Data");
  put(".mt5", "alice", 0);
  put(".wine", "u", 0);
  EXPECT_EQ(newest(), ".mt5aliceAppData/Roaming");
}

TEST_F(Mt5StatusTest, LinksAreEnteredOnceAndLoopsEndTheListing) {
  put("elsewhere/prefix", "u", 10);
  fs::create_directories(home / "Games");
  fs::create_directories(home / ".wine/drive_c/users");
  fs::create_directory_symlink(home / "elsewhere/prefix", home / "Games/linked");
  fs::create_directory_symlink(home / "Games", home / "Games/up");
  fs::create_directory_symlink(home / ".wine/drive_c/users", home / ".wine/drive_c/users/back");
  fs::create_directory_symlink(home / ".mt5", home / ".mt5");
  EXPECT_EQ(newest(), "elsewhere/prefixuAppData/Roaming");
}

TEST_F(Mt5StatusTest, ANewestThatCannotBeSentGivesNothingRatherThanAnOlderOne) {
  put(".mt5", "old", 50);
  const auto dir =
      home / ".wine/drive_c/users/dir/AppData/Roaming" / kMt5CommonFiles / kMt5StatusFile;
  fs::create_directories(dir);
  EXPECT_EQ(mt5Status(prefixes), "");
  fs::last_write_time(dir, base - std::chrono::seconds(60));
  EXPECT_EQ(newest(), ".mt5oldAppData/Roaming");

  // A pipe would block the main thread forever if it were read.
  const auto pipe = put("Games/g", "pipe", 0, "Application Data");
  fs::remove(pipe);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(mt5Status(prefixes), "");
  fs::remove(pipe);

  std::ofstream(put(".wine", "empty", 40), std::ios::trunc);  // and newest again
  EXPECT_EQ(mt5Status(prefixes), "");
}

// The account files: what each one is, and which logins the document gives
// with which file's text, in login order.
TEST_F(Mt5StatusTest, AccountFilesGiveTheNewestOfEachLoginFromEveryPrefixInOneDocument) {
  auto document = [&] { return nlohmann::json::parse(mt5AccountsDocument(prefixes)); };
  EXPECT_EQ(document(), nlohmann::json::parse(R"({"cuentas":[]})"));
  // prefix, user, folder, name, seconds older than base, text
  const std::tuple<const char*, const char*, const char*, const char*, int, const char*> files[] = {
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5_52071834.json", 30, "{\"a\":1}"},
      {".mt5", "otro", "AppData/Roaming", "quorvex_mt5_52071834.json", 20, "mas nuevo"},
      {".mt5", "otro", "AppData/Roaming", "quorvex_mt5_7010203.json", 10, "siete"},
      {"Games/mt5", "u", "Application Data", "quorvex_mt5_900.json", 10, "xp \xff"},
      // A tie goes to the one found first: ~/.mt5 is scanned before ~/.wine.
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5_7010203.json", 10, "empate"},
      // Not account files: the status file itself, a temporary, a login that is no number.
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5.json", 0, "estado"},
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5.7010203.1.tmp", 0, "tmp"},
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5_12a.json", 0, "no"},
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5_.json", 0, "no"},
      // The newest of a login is empty: that login is left out, not its older file.
      {".wine", "trader", "AppData/Roaming", "quorvex_mt5_31.json", 50, "viejo"},
      {".mt5", "otro", "AppData/Roaming", "quorvex_mt5_31.json", 5, ""},
  };
  for (const auto& [prefix, user, appData, name, age, text] : files)
    put(prefix, user, age, appData, name, text);
  // A folder named like an account file is no account file either.
  fs::create_directories(home / ".mt5/drive_c/users/otro/AppData/Roaming" / kMt5CommonFiles /
                         "quorvex_mt5_8.json");
  const auto doc = document();
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto& c : doc["cuentas"]) got.emplace_back(c["login"], c["contenido"]);
  const std::vector<std::pair<std::string, std::string>> want = {
      {"900", "xp \xef\xbf\xbd"}, {"7010203", "siete"}, {"52071834", "mas nuevo"}};
  EXPECT_EQ(got, want);
  const auto modified = std::chrono::duration_cast<std::chrono::milliseconds>(
      fs::file_time_type::clock::to_sys(base - std::chrono::seconds(20)).time_since_epoch());
  EXPECT_EQ(doc["cuentas"][2]["modificado"].get<long long>(), modified.count());
  EXPECT_EQ(base64Decode(mt5Accounts(prefixes)), mt5AccountsDocument(prefixes));
  // The status route is untouched: the newest status file, here the only one.
  EXPECT_EQ(newest(), "estado");
}

}  // namespace
}  // namespace qv
