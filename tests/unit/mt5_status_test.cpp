// The MetaTrader 5 status reader over a temporary home with both Wine
// prefixes and several Windows users.
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

struct Mt5StatusTest : ::testing::Test {
  fs::path home;
  std::vector<std::string> folders;
  const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(1);

  void SetUp() override {
    char name[] = "/tmp/qv-mt5-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    home = name;
    folders = Config::standard(home.string()).mt5UsersFolders;
  }
  void TearDown() override { fs::remove_all(home); }

  fs::path at(const std::string& prefix, const std::string& user) {
    return home.string() + "/" + prefix + "/drive_c/users/" + user + kMt5StatusTail;
  }
  void age(const fs::path& path, int seconds) {
    fs::last_write_time(path, base - std::chrono::seconds(seconds));
  }
  // A status file `seconds` older than `base`; no bytes makes a folder.
  void put(const std::string& prefix, const std::string& user, int seconds,
           std::optional<std::string> bytes) {
    const auto path = at(prefix, user);
    fs::create_directories(bytes ? path.parent_path() : path);
    if (bytes) std::ofstream(path, std::ios::binary) << *bytes;
    age(path, seconds);
  }
};

TEST_F(Mt5StatusTest, NewestAcrossUsersAndPrefixesWins) {
  EXPECT_EQ(mt5Status(folders), "");
  fs::create_directories(home / ".wine/drive_c/users");
  std::ofstream(home / ".wine/drive_c/users/desktop.ini") << "x";
  EXPECT_EQ(mt5Status(folders), "");

  put(".mt5", "alice", 30, "alice");
  put(".mt5", "bob", 20, "bob");
  put(".wine", "carol", 10, "carol");
  put(".wine", ".hidden", 40, "hidden");
  EXPECT_EQ(mt5Status(folders), base64Encode("carol"));
  age(at(".wine", "carol"), 25);
  EXPECT_EQ(mt5Status(folders), base64Encode("bob"));
  age(at(".wine", ".hidden"), 0);
  EXPECT_EQ(mt5Status(folders), base64Encode("hidden"));
}

TEST_F(Mt5StatusTest, EqualDatesGoToTheEarlierCandidate) {
  put(".wine", "w", 5, "wine");
  put(".mt5", "m", 5, "mt5");
  EXPECT_EQ(mt5Status(folders), base64Encode("mt5"));
  // Within one users folder, the listing order decides.
  put(".mt5", "n", 5, "other");
  const auto first = fs::directory_iterator(home / ".mt5/drive_c/users")->path().filename();
  EXPECT_EQ(mt5Status(folders), base64Encode(first == "m" ? "mt5" : "other"));
}

TEST_F(Mt5StatusTest, NewestThatCannotBeSentGivesNothingRatherThanAnOlderOne) {
  put(".mt5", "old", 50, "older content");
  put(".wine", "dir", 10, std::nullopt);
  EXPECT_EQ(mt5Status(folders), "");
  age(at(".wine", "dir"), 60);
  EXPECT_EQ(mt5Status(folders), base64Encode("older content"));

  // A pipe would block the main thread forever if it were read.
  const auto pipe = at(".mt5", "pipe");
  fs::create_directories(pipe.parent_path());
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  age(pipe, 0);
  EXPECT_EQ(mt5Status(folders), "");
  fs::remove(pipe);

  put(".wine", "empty", 40, "");
  EXPECT_EQ(mt5Status(folders), "");
}

TEST_F(Mt5StatusTest, BytesPassUnchangedThroughTheStatusRoute) {
  const std::string bytes("{\"bal\xff\0not json", 15);
  put(".wine", "u", 1, bytes);
  fake::Rig rig;
  rig.config.mt5UsersFolders = folders;
  rig.launch();
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"e1"})");
  EXPECT_EQ(
      rig.mainView().scripts,
      std::vector<std::string>{fake::Rig::toPage("window.__qvFetch && window.__qvFetch(\"e1\", \"" +
                                                 base64Encode(bytes) + "\", \"\")")});
}

}  // namespace
}  // namespace qv
