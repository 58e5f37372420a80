// The MetaTrader 5 status reader over a temporary home with both Wine
// prefixes and several Windows users.
#include "bridge/mt5_status.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fakes/fake_host.h"
#include "util/base64.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

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

  fs::path statusPath(const std::string& prefix, const std::string& user) {
    return home.string() + "/" + prefix + "/drive_c/users/" + user + kMt5StatusTail;
  }
  // A status file `age` seconds older than `base`.
  void file(const std::string& prefix, const std::string& user, const std::string& bytes, int age) {
    const auto path = statusPath(prefix, user);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    fs::last_write_time(path, base - seconds(age));
  }
  void folder(const std::string& prefix, const std::string& user, int age) {
    const auto path = statusPath(prefix, user);
    fs::create_directories(path);
    fs::last_write_time(path, base - seconds(age));
  }
  std::string read() { return mt5Status(folders); }
};

TEST_F(Mt5StatusTest, NothingInstalledOrNoUserWithTheFile) {
  EXPECT_EQ(read(), "");
  fs::create_directories(home / ".mt5/drive_c/users/alice/AppData");
  fs::create_directories(home / ".wine/drive_c/users");
  std::ofstream(home / ".wine/drive_c/users/desktop.ini") << "x";
  EXPECT_EQ(read(), "");
}

TEST_F(Mt5StatusTest, NewestAcrossUsersAndPrefixesWins) {
  file(".mt5", "alice", "alice", 30);
  file(".mt5", "bob", "bob", 20);
  file(".wine", "carol", "carol", 10);
  file(".wine", ".hidden", "hidden", 40);
  EXPECT_EQ(read(), base64Encode("carol"));

  fs::last_write_time(statusPath(".wine", "carol"), base - seconds(25));
  EXPECT_EQ(read(), base64Encode("bob"));

  fs::last_write_time(statusPath(".wine", ".hidden"), base);
  EXPECT_EQ(read(), base64Encode("hidden"));
}

TEST_F(Mt5StatusTest, EqualDatesGoToTheEarlierCandidate) {
  file(".wine", "wine-user", "wine", 5);
  file(".mt5", "mt5-user", "mt5", 5);
  EXPECT_EQ(read(), base64Encode("mt5"));

  // Within one users folder, the listing order decides.
  file(".mt5", "other-user", "other", 5);
  std::string first;
  for (const auto& entry : fs::directory_iterator(home / ".mt5/drive_c/users")) {
    first = entry.path().filename().string();
    break;
  }
  EXPECT_EQ(read(), base64Encode(first == "mt5-user" ? "mt5" : "other"));
}

TEST_F(Mt5StatusTest, NewestThatCannotBeSentGivesNothingRatherThanAnOlderOne) {
  file(".mt5", "old", "older content", 50);
  folder(".wine", "dir", 10);
  EXPECT_EQ(read(), "");

  fs::last_write_time(statusPath(".wine", "dir"), base - seconds(60));
  EXPECT_EQ(read(), base64Encode("older content"));

  file(".wine", "empty", "", 1);
  EXPECT_EQ(read(), "");
}

TEST_F(Mt5StatusTest, PipeAtTheNewestPathIsNotReadAndDoesNotBlock) {
  file(".mt5", "old", "older content", 50);
  const auto pipe = statusPath(".mt5", "pipe");
  fs::create_directories(pipe.parent_path());
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::last_write_time(pipe, base);
  EXPECT_EQ(read(), "");
}

TEST_F(Mt5StatusTest, BytesPassUnchangedThroughTheStatusRoute) {
  const std::string bytes("{\"bal\xff\0not json", 15);
  file(".wine", "u", bytes, 1);
  fake::Rig rig;
  rig.config.mt5UsersFolders = folders;
  rig.launch();
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"e1"})");
  EXPECT_EQ(rig.mainView().scripts,
            std::vector<std::string>{"window.__qvFetch && window.__qvFetch(\"e1\", \"" +
                                     base64Encode(bytes) + "\", \"\")"});
}

}  // namespace
}  // namespace qv
