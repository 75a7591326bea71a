// "Vaciado automático" over a real trash: the preview follows the rules as they are ticked, "Ver"
// chooses the same items in the restore window, and only "Aceptar" stores the keys.
#include <gtest/gtest.h>

#include <QDate>
#include <QItemSelectionModel>
#include <ctime>
#include <set>

#include "platform/linux/trash/FreedesktopTrash.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "support/QtApp.h"
#include "support/TrashTestKit.h"
#include "tools/purge/FormAutoVaciar.h"
#include "tools/restore/FormRestaurar.h"

namespace fs = std::filesystem;
using namespace testsupport;
using settings::Key;

namespace {

std::string DaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  return text;
}

class PurgeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    settings::SetProgramFolder(home.path());
    for (auto [name, days] : {std::pair{"a", 40}, {"b", 20}, {"c", 5}}) {
      WriteFile(trash / "files" / name, std::string(1000, 'x'));
      WriteFile(
          trash / "info" / (std::string(name) + ".trashinfo"),
          "[Trash Info]\nPath=/x/" + std::string(name) + "\nDeletionDate=" + DaysAgo(days) + "\n");
    }
  }
  std::unique_ptr<tools::FormAutoVaciar> Open() {
    auto form = std::make_unique<tools::FormAutoVaciar>(
        std::make_unique<platform::FreedesktopTrash>(TrashAt(home / "data")));
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    return form;
  }
  bool Settled(tools::FormAutoVaciar& form) {
    return SpinUntil([&] { return form.LabelVista->text() != "Calculando..."; }, 10000);
  }

  TempDir home;
  ScopedEnv xdg{"XDG_DATA_HOME", (home / "data").string()};
  fs::path trash = home / "data" / "Trash";
  settings::Options options;
};

}  // namespace

TEST_F(PurgeWindow, ThePreviewFollowsTheTicksAndOnlyAceptarStores) {
  auto form = Open();
  ASSERT_TRUE(Settled(*form));
  EXPECT_EQ(form->LabelVista->text(), "Ahora no se eliminaría nada");
  EXPECT_FALSE(form->CommandVer->isEnabled());
  form->CheckDias->setChecked(true);
  ASSERT_TRUE(Settled(*form));
  EXPECT_TRUE(form->LabelVista->text().startsWith("Ahora se eliminarían 1 elemento ("))
      << form->LabelVista->text().toStdString();
  form->TextDias->setValue(10);
  ASSERT_TRUE(Settled(*form));
  EXPECT_TRUE(form->LabelVista->text().startsWith("Ahora se eliminarían 2 elementos ("))
      << form->LabelVista->text().toStdString();

  form->CheckPorcentaje->setChecked(true);
  form->TextPorcentaje->setValue(25);
  form->OptionAntiguos->setChecked(true);
  form->CommandAceptar->click();
  EXPECT_EQ(options.Number(Key::AutoPurgeDays), 10);
  EXPECT_EQ(options.Number(Key::AutoPurgePercent), 25);
  EXPECT_EQ(options.Text(Key::AutoPurgeAction), "Antiguos");
  form = Open();  // read back as stored
  EXPECT_TRUE(form->CheckDias->isChecked());
  EXPECT_EQ(form->TextPorcentaje->value(), 25);
  EXPECT_TRUE(form->OptionAntiguos->isChecked());
  form->CheckDias->setChecked(false);
  form->CommandCancelar->click();
  EXPECT_EQ(options.Number(Key::AutoPurgeDays), 10);
}

TEST_F(PurgeWindow, VerChoosesThePreviewsItemsInTheRestoreWindowWhichShowsTheirDay) {
  options.SetNumber(Key::AutoPurgeDays, 10);
  auto form = Open();
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
