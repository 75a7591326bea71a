// "Restaurar de la Papelera", "Deshacer último borrado" and "Vaciado automático" with a real trash.
#include <gmock/gmock.h>
#include <unistd.h>

#include <QDate>
#include <QDateTime>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPointer>
#include <ctime>
#include <set>

#include "bin/FormStatus.h"
#include "bin/ShapedForm.h"
#include "platform/linux/trash/FreedesktopTrash.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "support/E2eProgram.h"
#include "support/QtTestKit.h"
#include "support/TrashTestKit.h"
#include "tools/purge/FormAutoVaciar.h"
#include "tools/restore/FormRestaurar.h"
#include "tools/restore/UndoTool.h"

namespace fs = std::filesystem;
using namespace testsupport;
using settings::Key;

namespace {

class RestoreWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    settings::SetProgramFolder(folder.path());
    bin::BinServices s;
    s.recycleBin = Trash();
    s.makeRecycleBin = [this] { return Trash(); };
    tools::ToolList tools;
    tools.push_back(std::make_unique<tools::UndoTool>());
    host = std::make_unique<bin::ShapedForm>(std::move(s), std::move(tools));
    host->Controller().SetPolling(false);
    ASSERT_TRUE(host->Form_Load());
  }
  void TearDown() override { bin::FormStatus::CloseCurrent(); }
  std::unique_ptr<platform::RecycleBin> Trash() {
    return std::make_unique<platform::FreedesktopTrash>(TrashAt(home / "data"));
  }

  void Put(const std::string& key, const fs::path& original, const std::string& date,
           const std::string& bytes) {
    WriteFile(PutTrashInfo(trash, key, original, date), bytes);
  }
  std::unique_ptr<tools::FormRestaurar> Open() {
    auto form = std::make_unique<tools::FormRestaurar>(Trash(), 100);
    form->SetHost(&host->Host());
    form->show();
    EXPECT_TRUE(SpinUntil([&] { return form->Listed(); }, 10000));
    return form;
  }
  void Choose(tools::FormRestaurar& form, const std::vector<int>& rows) {
    auto* selection = form.TableItems->selectionModel();
    selection->clearSelection();
    for (int row : rows)
      selection->select(form.TableItems->model()->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void Drop(const std::vector<fs::path>& paths) {
    DropFiles(host.get(), paths);
    QCoreApplication::processEvents();
  }
  // The undo runs off the interface thread: its end is waited for.
  void UndoLast() {
    host->Item("MnuDeshacer")->trigger();
    ASSERT_TRUE(SpinUntil([&] { return !host->Controller().Changing(); }, 10000));
  }
  // The item as the menu shows it when it opens.
  bool UndoEnabled() {
    emit host->Menu()->aboutToShow();
    return host->Item("MnuDeshacer")->isEnabled();
  }

  TempDir folder, home;
  fs::path w = fs::canonical(home.path()) / "w";
  fs::path trash = home / "data" / "Trash";
  ScopedEnv xdg{"XDG_DATA_HOME", (home / "data").string()};
  std::unique_ptr<bin::ShapedForm> host;
};
using Undo = RestoreWindow;

// The preview follows the rules as they are ticked, "Ver" chooses the same items in the restore
// window, and only "Aceptar" stores the keys.
class PurgeWindow : public RestoreWindow {
 protected:
  void SetUp() override {
    RestoreWindow::SetUp();
    const QDateTime now = QDateTime::currentDateTime();
    for (auto [name, days] : {std::pair{"a", 40}, {"b", 20}, {"c", 5}})
      Put(name, {}, now.addDays(-days).toString(Qt::ISODate).toStdString(), std::string(1000, 'x'));
  }
  std::unique_ptr<tools::FormAutoVaciar> OpenPurge() {
    auto form = std::make_unique<tools::FormAutoVaciar>(Trash());
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    return form;
  }
  bool Settled(tools::FormAutoVaciar& form) {
    return SpinUntil([&] { return form.LabelVista->text() != "Calculando..."; }, 10000);
  }

  settings::Options options;
};

}  // namespace

TEST_F(RestoreWindow, ListsNewestFirstSortsFiltersAndPutsBackTheChosenItems) {
  Put("viejo.txt", w / "docs" / "viejo.txt", "2020-01-01T08:00:00", "v");
  Put("nuevo.txt", w / "fotos" / "nuevo.txt", "2024-06-01T09:30:00", std::string(2048, 'n'));
  Put("medio.txt", w / "docs" / "medio.txt", "2022-03-04T05:06:07", std::string(1025, 'm'));
  auto form = Open();
  const QAbstractItemModel* m = form->TableItems->model();
  const auto cell = [&](int row, int column) { return m->index(row, column).data().toString(); };
  ASSERT_EQ(m->rowCount(), 3);
  EXPECT_EQ(cell(0, 0), "nuevo.txt");
  EXPECT_EQ(cell(0, 1), QString::fromStdString((w / "fotos").string()));
  EXPECT_EQ(cell(0, 2), "01/06/2024 09:30:00") << "local time, as written";
  EXPECT_EQ(cell(2, 0), "viejo.txt");
  // By size, smallest first, not by the size's text.
  form->TableItems->sortByColumn(3, Qt::AscendingOrder);
  EXPECT_EQ(cell(0, 0), "viejo.txt");
  EXPECT_EQ(cell(2, 0), "nuevo.txt");

  form->TextBuscar->setText("docs");  // a part of the original path
  ASSERT_EQ(form->ShownRows(), 2);
  EXPECT_FALSE(form->CommandRestaurar->isEnabled()) << "nothing chosen";
  Choose(*form, {0, 1});
  form->CommandRestaurar->click();
  ASSERT_TRUE(SpinUntil([&] { return !form->Busy() && m->rowCount() == 0; }, 10000));
  EXPECT_EQ(host->Controller().State().binCount, 1) << "through the bin: its picture follows";
  EXPECT_EQ(ReadFile(w / "docs" / "viejo.txt"), "v");
  EXPECT_EQ(ReadFile(w / "docs" / "medio.txt"), std::string(1025, 'm'));
  form->TextBuscar->clear();
  ASSERT_EQ(form->ShownRows(), 1);
  EXPECT_EQ(form->ShownItem(0).key, "nuevo.txt");
}

TEST_F(RestoreWindow, ClosedWithItsQuestionUpItErasesNothing) {
  Put("uno", "/x/uno", "2024-01-01T00:00:01", "1");
  QPointer<tools::FormRestaurar> form = Open().release();  // deletes itself once closed
  Choose(*form, {0});
  form->CommandEliminar->click();
  ASSERT_EQ(OpenDialogs<QMessageBox>().size(), 1u) << "no question";
  form->close();
  EXPECT_TRUE(OpenDialogs().empty()) << "the question outlived its window";
  Settle();
  EXPECT_FALSE(form) << "the window stays";
  SpinUntil([] { return false; }, 300);
  EXPECT_EQ(ReadFile(trash / "files" / "uno"), "1");
  EXPECT_TRUE(fs::exists(trash / "info" / "uno.trashinfo"));
}

// Items trashed by trash-cli while the window is open show up in it.
TEST_F(RestoreWindow, TheListFollowsTrashCli) {
  if (Shell("command -v trash-put >/dev/null") != 0) GTEST_SKIP() << "trash-cli is not installed";
  const auto sh = [&](const std::string& command) {
    return Shell("cd '" + w.string() + "' && (" + command + ") </dev/null >/dev/null 2>&1");
  };
  WriteFile(w / "a.txt", "a");
  WriteFile(w / "b.txt", "b");
  ASSERT_EQ(sh("trash-put a.txt"), 0);
  auto form = Open();
  ASSERT_EQ(form->ShownRows(), 1);
  ASSERT_EQ(sh("trash-put b.txt"), 0);  // the listing's own reading: TrashRestore
  EXPECT_TRUE(SpinUntil([&] { return form->ShownRows() == 2; }, 5000));
}

// Another program put "uno" back while the question was open and a new item took its name.
TEST_F(RestoreWindow, EliminarAsksThenDeletesOnlyTheChosenItemsAndSparesANewOneOfTheSameName) {
  Put("uno", "/x/uno", "2024-01-01T00:00:01", "viejo");
  Put("dos", "/x/dos", "2024-01-01T00:00:02", "2");
  Put("tres", "/x/tres", "2024-01-01T00:00:03", "3");
  auto form = Open();
  Choose(*form, {1, 2});  // dos, uno
  MessageLog messages(platform::kAnswerYes, [&] {
    fs::create_directories(w);
    fs::rename(trash / "files" / "uno", w / "uno");
    Put("uno", "/x/uno", "2024-01-01T00:00:01", "nuevo");  // the same info text
  });
  form->CommandEliminar->click();
  ASSERT_TRUE(SpinUntil([&] { return !form->Busy() && messages.shown.size() == 2; }, 10000));
  EXPECT_EQ(messages.shown[0].style, platform::kYesNo | platform::kQuestion);
  EXPECT_THAT(messages.shown[1].text.toStdString(),
              testing::HasSubstr("/x/uno (ya no está en la papelera)"));
  EXPECT_EQ(ReadFile(trash / "files" / "uno"), "nuevo");
  EXPECT_TRUE(fs::exists(trash / "info" / "uno.trashinfo"));
  EXPECT_FALSE(fs::exists(trash / "files" / "dos"));
  EXPECT_TRUE(fs::exists(trash / "files" / "tres"));
  EXPECT_TRUE(SpinUntil([&] { return form->ShownRows() == 2; }, 5000));
}

TEST_F(RestoreWindow, DuringAnEmptyingItsButtonsAndTheUndoWait) {
  WriteFile(w / "x.txt", "x");
  Drop({w / "x.txt"});
  auto form = Open();
  Choose(*form, {0});
  ASSERT_TRUE(form->CommandRestaurar->isEnabled());
  ASSERT_TRUE(UndoEnabled());
  MessageLog ok;
  ASSERT_TRUE(host->Controller().EmptyByUser());
  ASSERT_TRUE(host->Controller().Emptying());
  EXPECT_FALSE(UndoEnabled()) << "an undo would meet the emptying halfway";
  EXPECT_FALSE(form->CommandRestaurar->isEnabled());
  EXPECT_FALSE(form->CommandEliminar->isEnabled());
  EXPECT_THAT(form->LabelEstado->text().toStdString(), testing::HasSubstr("vaciando"));
  ASSERT_TRUE(SpinUntil([&] { return !host->Controller().Emptying(); }, 10000));
  EXPECT_FALSE(form->LabelEstado->text().contains("vaciando"));
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Undo, TheLastDropComesBackAndWhatCannotIsNamedInOneMessage) {
  MessageLog messages;
  EXPECT_FALSE(UndoEnabled());
  WriteFile(w / "first.txt", "1");
  WriteFile(w / "taken.txt", "old");
  WriteFile(w / "emptied.txt", "e");
  WriteFile(w / "carpeta" / "dentro.txt", "d");
  Drop({w / "first.txt"});
  Drop({w / "taken.txt", w / "emptied.txt", w / "carpeta"});
  WriteFile(w / "taken.txt", "new");
  // Emptied by another program meanwhile.
  auto other = Trash();
  for (const platform::TrashedItem& i : other->list())
    if (i.key == "emptied.txt") other->erase({i});
  ASSERT_TRUE(UndoEnabled());
  UndoLast();
  EXPECT_EQ(ReadFile(w / "carpeta" / "dentro.txt"), "d");
  EXPECT_EQ(ReadFile(w / "taken.txt"), "new");
  EXPECT_FALSE(fs::exists(w / "first.txt")) << "only the last drop";
  ASSERT_EQ(messages.shown.size(), 1u);
  const std::string text = messages.shown[0].text.toStdString();
  EXPECT_THAT(text, testing::HasSubstr("taken.txt (ya existe un elemento con ese nombre)"));
  EXPECT_THAT(text, testing::HasSubstr("emptied.txt (ya no está en la papelera)"));
  EXPECT_EQ(host->Controller().State().binCount, 2) << "the picture follows at once";
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Undo, AnItemEmptiedElsewhereAndReplacedIsGoneAndTheNewOneStays) {
  if (Shell("command -v trash-put trash-empty >/dev/null") != 0)
    GTEST_SKIP() << "trash-cli is not installed";
  MessageLog messages;
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
  EXPECT_THAT(messages.shown[0].text.toStdString(),
              testing::HasSubstr("x.txt (ya no está en la papelera)"));
}

TEST_F(PurgeWindow, ThePreviewFollowsTheTicksAndOnlyAceptarStores) {
  auto form = OpenPurge();
  ASSERT_TRUE(Settled(*form));
  EXPECT_EQ(form->LabelVista->text(), "Ahora no se eliminaría nada");
  EXPECT_FALSE(form->CommandVer->isEnabled());
  form->CheckDias->setChecked(true);
  ASSERT_TRUE(Settled(*form));
  EXPECT_THAT(form->LabelVista->text().toStdString(),
              testing::StartsWith("Ahora se eliminarían 1 elemento ("));
  form->TextDias->setValue(10);
  ASSERT_TRUE(Settled(*form));
  EXPECT_THAT(form->LabelVista->text().toStdString(),
              testing::StartsWith("Ahora se eliminarían 2 elementos ("));

  form->CheckPorcentaje->setChecked(true);
  form->TextPorcentaje->setValue(25);
  form->OptionAntiguos->setChecked(true);
  form->CommandAceptar->click();
  EXPECT_EQ(options.Number(Key::AutoPurgeDays), 10);
  EXPECT_EQ(options.Number(Key::AutoPurgePercent), 25);
  EXPECT_EQ(options.Text(Key::AutoPurgeAction), "Antiguos");
  form = OpenPurge();  // read back as stored
  EXPECT_TRUE(form->CheckDias->isChecked());
  EXPECT_EQ(form->TextPorcentaje->value(), 25);
  EXPECT_TRUE(form->OptionAntiguos->isChecked());
  form->CheckDias->setChecked(false);
  form->CommandCancelar->click();
  EXPECT_EQ(options.Number(Key::AutoPurgeDays), 10);
}

TEST_F(PurgeWindow, VerChoosesThePreviewsItemsInTheRestoreWindowWhichShowsTheirDay) {
  options.SetNumber(Key::AutoPurgeDays, 10);
  auto form = OpenPurge();
  ASSERT_TRUE(Settled(*form));
  ASSERT_EQ(form->Preview().items.size(), 2u);
  form->CommandVer->click();
  tools::FormRestaurar* restore = tools::OneWindow<tools::FormRestaurar>::Current();
  ASSERT_NE(restore, nullptr);
  ASSERT_TRUE(SpinUntil([&] { return restore->Listed(); }, 10000));
  std::set<std::string> chosen;
  for (const QModelIndex& index : restore->TableItems->selectionModel()->selectedRows())
    chosen.insert(restore->ShownItem(index.row()).key);
  EXPECT_EQ(chosen, (std::set<std::string>{"a", "b"}));
  EXPECT_FALSE(restore->TableItems->isColumnHidden(tools::TrashModel::kGoes));
  for (int row = 0; row < restore->ShownRows(); ++row) {
    const QString day =
        restore->TableItems->model()->index(row, tools::TrashModel::kGoes).data().toString();
    // "c" was deleted 5 days ago: it goes in 5 days; the others at the next pass.
    const int in = restore->ShownItem(row).key == "c" ? 5 : 0;
    EXPECT_EQ(day, QDate::currentDate().addDays(in).toString("dd/MM/yyyy"))
        << restore->ShownItem(row).key;
  }
  restore->close();
}
