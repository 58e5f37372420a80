// Download naming over a real temporary folder, and the Delegate's download
// callbacks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fakes/fake_host.h"
#include "policy/download_name.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using fake::Rig;

// A fresh folder under the system's temporary folder, removed afterwards.
struct TempFolder {
  fs::path path;
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "qv-descargas-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path); }
  void file(const std::string& name) const { std::ofstream(path / name) << "x"; }
};

TEST(SafeFileName, OrdinaryNamesPassAndHostileOnesStayPlain) {
  struct Case {
    std::string suggested, expected;
  } cases[] = {
      {"informe.pdf", "informe.pdf"},
      {"Informe final (v2).tar.gz", "Informe final (v2).tar.gz"},
      {".bashrc", ".bashrc"},
      {"año ñ €.txt", "año ñ €.txt"},
      {"..informe", "..informe"},
      {"a/b.pdf", "b.pdf"},
      {"../../etc/passwd", "passwd"},
      {"/etc/passwd", "passwd"},
      {"..\\..\\Windows\\win.ini", "win.ini"},
      {"informes/", "informes"},
      {"a/..", "descarga"},
      {"", "descarga"},
      {".", "descarga"},
      {"..", "descarga"},
      {"...", "descarga"},
      {" . . ", "descarga"},
      {"/", "descarga"},
      {"\\", "descarga"},
      {"a\nb\r\tc\x7f.pdf", "abc.pdf"},
      {std::string("x\0y.pdf", 7), "xy.pdf"},
      {".\x01.", "descarga"},
      {"ok/\x1b", "ok"},
  };
  for (const auto& c : cases) EXPECT_EQ(safeFileName(c.suggested), c.expected) << c.suggested;
}

TEST(NumberedName, NumberGoesBeforeTheLastExtensionAndTheDotIsAlwaysWritten) {
  struct Case {
    std::string name;
    unsigned long n;
    std::string expected;
  } cases[] = {
      {"informe.pdf", 1, "informe (1).pdf"},
      {"informe.pdf", 12, "informe (12).pdf"},
      {"datos.tar.gz", 1, "datos.tar (1).gz"},
      {"LEEME", 1, "LEEME (1)."},
      {".bashrc", 2, ".bashrc (2)."},
      {".config.json", 1, ".config (1).json"},
      {"fin.", 1, "fin (1)."},
      {"a..b", 1, "a. (1).b"},
      {"mi informe.v2", 3, "mi informe (3).v2"},
  };
  for (const auto& c : cases) EXPECT_EQ(numberedName(c.name, c.n), c.expected) << c.name;
}

TEST(FreePath, SkipsEveryNameAlreadyTaken) {
  TempFolder dir;
  EXPECT_EQ(freePath(dir.path, "informe.pdf"), dir.path / "informe.pdf");

  dir.file("informe.pdf");
  dir.file("informe (1).pdf");
  EXPECT_EQ(freePath(dir.path, "informe.pdf"), dir.path / "informe (2).pdf");

  // A folder counts as taken, and numbering restarts from the suggestion.
  fs::create_directory(dir.path / "datos.tar.gz");
  EXPECT_EQ(freePath(dir.path, "datos.tar.gz"), dir.path / "datos.tar (1).gz");

  dir.file("LEEME");
  EXPECT_EQ(freePath(dir.path, "LEEME"), dir.path / "LEEME (1).");

  // Writing through a link, even a dangling one, could land anywhere.
  fs::create_symlink("/nonexistent/qv-target", dir.path / "enlace.txt");
  fs::create_symlink(dir.path / "informe.pdf", dir.path / "enlace (1).txt");
  EXPECT_EQ(freePath(dir.path, "enlace.txt"), dir.path / "enlace (2).txt");
}

struct DownloadsTest : ::testing::Test {
  TempFolder home;
  Rig rig;
  void SetUp() override {
    rig.app.downloads = (home.path / "Descargas").string();
    rig.launch();
  }
};

TEST_F(DownloadsTest, DestinationIsInsideAFreshlyMadeDownloadsFolder) {
  fs::path downloads = rig.app.downloads;
  EXPECT_EQ(rig.delegate->downloadDestination("informe.pdf"), (downloads / "informe.pdf").string());
  EXPECT_TRUE(fs::is_directory(downloads));
}

TEST_F(DownloadsTest, HostileSuggestionsNeverLeaveTheFolderOrReplaceAFile) {
  fs::path downloads = rig.app.downloads;
  fs::create_directories(downloads);
  std::ofstream(downloads / "passwd") << "mine";

  for (const char* suggested :
       {"../../etc/passwd", "/etc/passwd", "..", "", "a/../../b", "..\\..\\x", "\n"}) {
    fs::path dest = rig.delegate->downloadDestination(suggested);
    EXPECT_TRUE(dest.is_absolute()) << suggested;
    EXPECT_EQ(dest.parent_path(), downloads) << suggested;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dest))) << suggested;
  }
  EXPECT_EQ(rig.delegate->downloadDestination("/etc/passwd"), (downloads / "passwd (1).").string());
  EXPECT_EQ(rig.delegate->downloadDestination(".."), (downloads / "descarga").string());
}

TEST_F(DownloadsTest, FinishedNoticeGoesToTheMainPageOnly) {
  rig.post(R"({"cmd":"web","slot":"a","url":"https://discord.com/app"})");
  rig.delegate->downloadFinished();
  EXPECT_EQ(rig.mainView().scripts,
            std::vector<std::string>{Rig::toPage(
                "typeof toastNativo==='function'&&toastNativo('Guardado en Descargas')")});
  for (auto* view : rig.app.views) {
    if (view == &rig.mainView()) continue;
    EXPECT_TRUE(view->scripts.empty());
  }
}

}  // namespace
}  // namespace qv
