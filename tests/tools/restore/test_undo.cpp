// "Deshacer último borrado" on the bin window, with a real trash: the last drop comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

#include "bin/FormStatus.h"
#include "bin/ShapedForm.h"
#include "platform/linux/trash/FreedesktopTrash.h"
#include "settings/ProgramFolder.h"
#include "support/E2eProgram.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"
#include "tools/restore/UndoTool.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class Undo : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    settings::SetProgramFolder(folder.path());
    bin::BinServices s;
    s.recycleBin = std::make_unique<platform::FreedesktopTrash>(TrashAt(home / "data"));
    s.makeRecycleBin = [this] {
      return std::make_unique<platform::FreedesktopTrash>(TrashAt(home / "data"));
    };
    s.isOnlyInstance = [] { return true; };
    tools::ToolList tools;
    tools.push_back(std::make_unique<tools::UndoTool>());
    form = std::make_unique<bin::ShapedForm>(std::move(s), std::move(tools));
    form->Controller().SetPolling(false);
    ASSERT_TRUE(form->Form_Load());
  }
  void TearDown() override { bin::FormStatus::CloseCurrent(); }

  void Drop(const std::vector<fs::path>& paths) {
    DropFiles(form.get(), paths);
    QCoreApplication::processEvents();
  }
  // The undo runs off the interface thread: its end is waited for.
  void UndoLast() {
    form->Item("MnuDeshacer")->trigger();
    ASSERT_TRUE(SpinUntil([&] { return !form->Controller().Changing(); }, 10000));
  }
  // The item as the menu shows it when it opens.
  bool UndoEnabled() {
    emit form->Menu()->aboutToShow();
    return form->Item("MnuDeshacer")->isEnabled();
  }

  TempDir folder, home;
  fs::path w = fs::canonical(home.path()) / "w";
  std::unique_ptr<bin::ShapedForm> form;
  MessageLog messages;
};

}  // namespace

TEST_F(Undo, TheLastDropComesBackAndThenThereIsNothingToUndo) {
  EXPECT_FALSE(UndoEnabled());
  WriteFile(w / "first.txt", "1");
  WriteFile(w / "a.txt", "a");
  WriteFile(w / "carpeta" / "dentro.txt", "d");
  Drop({w / "first.txt"});
  Drop({w / "a.txt", w / "carpeta"});
  EXPECT_EQ(form->Controller().State().binCount, 3);
  ASSERT_TRUE(UndoEnabled());
  UndoLast();
  EXPECT_EQ(ReadFile(w / "a.txt"), "a");
  EXPECT_EQ(ReadFile(w / "carpeta" / "dentro.txt"), "d");
  EXPECT_FALSE(fs::exists(w / "first.txt")) << "only the last drop";
  EXPECT_EQ(form->Controller().State().binCount, 1) << "the picture follows at once";
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Undo, WhatCannotComeBackIsNamedInOneMessage) {
  WriteFile(w / "taken.txt", "old");
  WriteFile(w / "emptied.txt", "e");
  WriteFile(w / "fine.txt", "f");
  Drop({w / "taken.txt", w / "emptied.txt", w / "fine.txt"});
  WriteFile(w / "taken.txt", "new");
  // Emptied by another program meanwhile.
  platform::FreedesktopTrash other(TrashAt(home / "data"));
  for (const platform::TrashedItem& i : other.list())
    if (i.key == "emptied.txt") other.erase({i});
  ASSERT_TRUE(UndoEnabled());
  UndoLast();
  EXPECT_EQ(ReadFile(w / "fine.txt"), "f");
  EXPECT_EQ(ReadFile(w / "taken.txt"), "new");
  ASSERT_EQ(messages.shown.size(), 1u);
  const QString text = messages.shown[0].text;
  EXPECT_TRUE(text.contains("taken.txt (ya existe un elemento con ese nombre)"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("emptied.txt (ya no está en la papelera)")) << text.toStdString();
  EXPECT_EQ(form->Controller().State().binCount, 1) << "taken.txt stays in the trash";
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Undo, AfterAnEmptyingThereIsNothingToUndo) {
  WriteFile(w / "x.txt", "x");
  Drop({w / "x.txt"});
  ASSERT_TRUE(UndoEnabled());
  form->Controller().EmptyByUser();  // the recorder answers OK
  EXPECT_FALSE(UndoEnabled()) << "an undo would meet the emptying halfway";
  ASSERT_TRUE(SpinUntil([&] { return !form->Controller().Emptying(); }, 10000));
  EXPECT_EQ(form->Controller().Bin()->query().count, 0);
  EXPECT_FALSE(UndoEnabled());
}

// Emptied by another program, and a new item of the same name trashed since: the undo leaves
// the new item in the trash and says the old one is gone.
TEST_F(Undo, AnItemEmptiedElsewhereAndReplacedIsGoneAndTheNewOneStays) {
  if (Shell("command -v trash-put trash-empty >/dev/null") != 0)
    GTEST_SKIP() << "trash-cli is not installed";
  ScopedEnv xdg("XDG_DATA_HOME", (home / "data").string());
  WriteFile(w / "x.txt", "old");
  Drop({w / "x.txt"});
  ASSERT_EQ(Shell("trash-empty >/dev/null 2>&1"), 0);
  WriteFile(w / "x.txt", "new");
  // Another second: the new info file's date differs, as it does for the user.
  const std::time_t then = std::time(nullptr);
  while (std::time(nullptr) == then) usleep(20000);
  ASSERT_EQ(Shell("trash-put '" + (w / "x.txt").string() + "' >/dev/null 2>&1"), 0);
  ASSERT_TRUE(UndoEnabled());
  UndoLast();
  EXPECT_FALSE(fs::exists(w / "x.txt")) << "the new item was put back";
  EXPECT_EQ(ReadFile(home / "data" / "Trash" / "files" / "x.txt"), "new");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].text.contains("x.txt (ya no está en la papelera)"))
      << messages.shown[0].text.toStdString();
}
