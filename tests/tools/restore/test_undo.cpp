// "Deshacer último borrado" on the bin window, with a real trash: the last drop comes back.
#include <gtest/gtest.h>

#include "bin/FormStatus.h"
#include "bin/ShapedForm.h"
#include "platform/linux/FreedesktopTrash.h"
#include "settings/ProgramFolder.h"
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
  form->Item("MnuDeshacer")->trigger();
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
  form->Item("MnuDeshacer")->trigger();
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
  form->Controller().EmptyByUser(form.get());  // the recorder answers OK
  ASSERT_TRUE(SpinUntil([&] { return !form->Controller().Emptying(); }, 10000));
  EXPECT_EQ(form->Controller().Bin()->query().count, 0);
  EXPECT_FALSE(UndoEnabled());
}
