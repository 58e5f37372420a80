// Script dialogs and the file chooser: always on the main window, answers
// passed back untouched.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"

namespace qv {
namespace {

using fake::Rig;

struct DialogsTest : ::testing::Test {
  Rig rig;
  void SetUp() override { rig.launch(); }
};

TEST_F(DialogsTest, EveryDialogHangsOnTheMainWindow) {
  rig.delegate->alert("Hola", [] {});
  rig.delegate->confirm("¿Seguro?", [](bool) {});
  rig.delegate->chooseFiles(false, [](auto) {});
  Window* main = &rig.mainWindow();
  EXPECT_EQ(rig.dialogs.parents, (std::vector<Window*>{main, main, main}));
}

TEST_F(DialogsTest, AlertShowsTheMessageAndCompletesOnlyWhenDismissed) {
  int done = 0;
  rig.delegate->alert("Mensaje con \"comillas\"\ny otra línea", [&] { ++done; });
  ASSERT_EQ(rig.dialogs.alerts.size(), 1u);
  EXPECT_EQ(rig.dialogs.alerts[0].first, "Mensaje con \"comillas\"\ny otra línea");
  EXPECT_EQ(done, 0);
  rig.dialogs.alerts[0].second();
  EXPECT_EQ(done, 1);
}

TEST_F(DialogsTest, ConfirmPassesTheAnswerThrough) {
  std::vector<bool> answers;
  rig.delegate->confirm("uno", [&](bool ok) { answers.push_back(ok); });
  rig.delegate->confirm("dos", [&](bool ok) { answers.push_back(ok); });
  ASSERT_EQ(rig.dialogs.confirms.size(), 2u);
  EXPECT_EQ(rig.dialogs.confirms[1].first, "dos");
  EXPECT_TRUE(answers.empty());
  rig.dialogs.confirms[1].second(false);
  rig.dialogs.confirms[0].second(true);
  EXPECT_EQ(answers, (std::vector<bool>{false, true}));
}

TEST_F(DialogsTest, FileChooserKeepsMultipleAndTellsCancelFromAnEmptyChoice) {
  using Files = std::optional<std::vector<std::string>>;
  std::vector<Files> answers;
  rig.delegate->chooseFiles(true, [&](Files f) { answers.push_back(f); });
  rig.delegate->chooseFiles(false, [&](Files f) { answers.push_back(f); });
  ASSERT_EQ(rig.dialogs.fileChoosers.size(), 2u);
  EXPECT_TRUE(rig.dialogs.fileChoosers[0].first);
  EXPECT_FALSE(rig.dialogs.fileChoosers[1].first);

  rig.dialogs.fileChoosers[0].second(std::vector<std::string>{"/h/b.txt", "/h/a.txt"});
  rig.dialogs.fileChoosers[1].second(std::nullopt);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], (std::vector<std::string>{"/h/b.txt", "/h/a.txt"}));
  EXPECT_EQ(answers[1], std::nullopt);
}

}  // namespace
}  // namespace qv
