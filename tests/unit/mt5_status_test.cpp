// The MetaTrader 5 status reader over a temporary home holding Wine prefixes
// of several kinds, each with several Windows users.
#include "bridge/mt5_status.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fakes/fake_host.h"
#include "util/base64.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr char kRoaming[] = "AppData/Roaming";
constexpr char kOldLayout[] = "Application Data";

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

  fs::path at(const std::string& prefix, const std::string& user, const char* appData = kRoaming) {
    return home / prefix / "drive_c/users" / user / appData / kMt5StatusFile;
  }
  void age(const fs::path& path, int seconds) {
    fs::last_write_time(path, base - std::chrono::seconds(seconds));
  }
  // A status file `seconds` older than `base`; no bytes makes a folder.
  void put(const std::string& prefix, const std::string& user, int seconds,
           std::optional<std::string> bytes, const char* appData = kRoaming) {
    const auto path = at(prefix, user, appData);
    fs::create_directories(bytes ? path.parent_path() : path);
    if (bytes) std::ofstream(path, std::ios::binary) << *bytes;
    age(path, seconds);
  }
};

TEST_F(Mt5StatusTest, NewestAcrossEveryPlaceAndUserWins) {
  EXPECT_EQ(mt5Status(prefixes), "");
  fs::create_directories(home / ".wine/drive_c/users");
  std::ofstream(home / ".wine/drive_c/users/desktop.ini") << "x";
  fs::create_directories(home / "Games/not-a-prefix");
  std::ofstream(home / ".cxoffice") << "a file where a folder of bottles would be";
  EXPECT_EQ(mt5Status(prefixes), "");

  struct Place {
    std::string prefix, user;
    const char* appData;
  };
  const std::vector<Place> places = {
      {".mt5", "alice", kRoaming},
      {".mt5", "bob", kRoaming},
      {".wine", ".hidden", kRoaming},
      {".wine", "xp", kOldLayout},
      {".var/app/com.usebottles.bottles/data/bottles/bottles/MT5", "steamuser", kRoaming},
      {".local/share/bottles/bottles/Trading", "carol", kRoaming},
      {"Games/metatrader-5", "dave", kRoaming},
      {".PlayOnLinux/wineprefix/MT5", "erin", kOldLayout},
      {".PlayOnLinux/wineprefix/MT5", "erin", kRoaming},
  };
  for (size_t i = 0; i < places.size(); ++i) {
    const auto& p = places[i];
    put(p.prefix, p.user, 100 + static_cast<int>(i), p.prefix + p.user + p.appData, p.appData);
  }
  // Each in turn becomes the newest; the one before it drops back to the oldest.
  for (size_t i = 0; i < places.size(); ++i) {
    const auto& p = places[i];
    age(at(p.prefix, p.user, p.appData), 0);
    if (i > 0) age(at(places[i - 1].prefix, places[i - 1].user, places[i - 1].appData), 200);
    EXPECT_EQ(mt5Status(prefixes), base64Encode(p.prefix + p.user + p.appData)) << p.prefix;
  }
}

TEST_F(Mt5StatusTest, EqualDatesGoToTheEarlierCandidate) {
  // Each pair is newer than the one before, so only the pair decides.
  const std::vector<std::pair<std::string, std::string>> earlierThenLater = {
      {".wine", ".cxoffice/bottle"},
      {".mt5", ".wine"},
      {".local/share/bottles/bottles/b", "Games/g"},
  };
  int seconds = 10;
  for (const auto& [earlier, later] : earlierThenLater) {
    put(later, "u", --seconds, later);
    put(earlier, "u", seconds, earlier);
    EXPECT_EQ(mt5Status(prefixes), base64Encode(earlier)) << earlier << " before " << later;
  }
  put(".mt5", "v", 0, "old layout", kOldLayout);
  put(".mt5", "v", 0, "roaming");
  EXPECT_EQ(mt5Status(prefixes), base64Encode("roaming"));
  // Within one users folder, the listing order decides.
  put(".mt5", "n", 0, "other");
  std::string first;
  for (const auto& user : fs::directory_iterator(home / ".mt5/drive_c/users")) {
    if (first.empty() && user.path().filename() != "u") first = user.path().filename();
  }
  EXPECT_EQ(mt5Status(prefixes), base64Encode(first == "n" ? "other" : "roaming"));
}

TEST_F(Mt5StatusTest, LinksAreEnteredOnceAndLoopsEndTheListing) {
  put("elsewhere/prefix", "u", 10, "linked");
  fs::create_directories(home / "Games");
  fs::create_directories(home / ".wine/drive_c/users");
  fs::create_directory_symlink(home / "elsewhere/prefix", home / "Games/linked");
  fs::create_directory_symlink(home / "Games/self", home / "Games/self");
  fs::create_directory_symlink(home / "Games", home / "Games/up");
  fs::create_directory_symlink(home / ".wine/drive_c/users", home / ".wine/drive_c/users/back");
  fs::create_directory_symlink(home / ".cxoffice", home / ".cxoffice");
  fs::create_directory_symlink(home / ".mt5", home / ".mt5");
  EXPECT_EQ(mt5Status(prefixes), base64Encode("linked"));
}

TEST_F(Mt5StatusTest, NewestThatCannotBeSentGivesNothingRatherThanAnOlderOne) {
  put(".mt5", "old", 50, "older content");
  put(".wine", "dir", 10, std::nullopt);
  EXPECT_EQ(mt5Status(prefixes), "");
  age(at(".wine", "dir"), 60);
  EXPECT_EQ(mt5Status(prefixes), base64Encode("older content"));

  // A pipe would block the main thread forever if it were read.
  const auto pipe = at("Games/g", "pipe", kOldLayout);
  fs::create_directories(pipe.parent_path());
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  age(pipe, 0);
  EXPECT_EQ(mt5Status(prefixes), "");
  fs::remove(pipe);

  put(".wine", "empty", 40, "");
  EXPECT_EQ(mt5Status(prefixes), "");
}

TEST_F(Mt5StatusTest, BytesPassUnchangedThroughTheStatusRoute) {
  const std::string bytes("{\"bal\xff\0not json", 15);
  put(".wine", "u", 1, bytes);
  fake::Rig rig;
  rig.config.mt5Prefixes = prefixes;
  rig.launch();
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"e1"})");
  EXPECT_EQ(
      rig.mainView().scripts,
      std::vector<std::string>{fake::Rig::toPage("window.__qvFetch && window.__qvFetch(\"e1\", \"" +
                                                 base64Encode(bytes) + "\", \"\")")});
}

}  // namespace
}  // namespace qv
