// The bin's emptying runs beside the window: a real trash under a temporary
// XDG_DATA_HOME, the adapter set this build chose. The worker's trash is held
// at its start until the test lets it go, so that "while it runs" does
// not depend on how fast the disk is.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <utility>

#include "bin/BinController.h"
#include "bin/FormStatus.h"
#include "bin/ShapedForm.h"
#include "platform/RecycleBin.h"
#include "settings/ProgramFolder.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using bin::ShapedForm;
using testsupport::SpinUntil;
using testsupport::TempDir;

namespace {

// Stops a worker until opened.
class Gate {
 public:
  void Hold() {
    reached_ = true;
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return open_; });
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(m_);
      open_ = true;
    }
    cv_.notify_all();
  }
  bool Reached() const { return reached_; }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool open_ = false;
  std::atomic<bool> reached_{false};
};

// The system's trash, its emptying held by the gate before it starts.
class HeldTrash : public platform::RecycleBin {
 public:
  explicit HeldTrash(Gate* gate) : real_(platform::MakeRecycleBin()), gate_(gate) {}
  platform::BinQuery query() override { return real_->query(); }
  platform::MoveResult moveToTrash(const std::vector<fs::path>& items) override {
    return real_->moveToTrash(items);
  }
  platform::EmptyResult empty(
      const std::function<bool(std::int64_t, std::int64_t)>& progress) override {
    gate_->Hold();  // before the trash is read: what arrives meanwhile would be seen
    return real_->empty(progress);
  }
  fs::path homeTrashFilesFolder() override { return real_->homeTrashFilesFolder(); }
  std::vector<platform::TrashedItem> list() override { return real_->list(); }
  platform::ItemsResult restore(const std::vector<platform::TrashedItem>& items) override {
    return real_->restore(items);
  }
  platform::ItemsResult erase(const std::vector<platform::TrashedItem>& items) override {
    return real_->erase(items);
  }

 private:
  std::unique_ptr<platform::RecycleBin> real_;
  Gate* gate_;
};

class Emptying : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::App();
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "data").string()));
    settings::SetProgramFolder(folder.path());
  }
  void TearDown() override {
    gate.Open();  // a failed test must not leave a worker waiting
    form.reset();
    qunsetenv("XDG_DATA_HOME");
    bin::FormStatus::CloseCurrent();
  }

  // A loaded window over a trash holding `items` files, its poll seen.
  void Load(const std::string& ini, int items) {
    testsupport::WriteFile(folder / "Options.ini", ini);
    bin::BinServices s;
    s.recycleBin = platform::MakeRecycleBin();
    s.makeRecycleBin = [this] {
      ++workers;
      return std::make_unique<HeldTrash>(&gate);
    };
    s.isOnlyInstance = [] { return true; };
    s.playWave = [this](const fs::path&) { ++sounds; };
    form = std::make_unique<ShapedForm>(std::move(s), tools::ToolList());
    Controller().SetPolling(false);
    ASSERT_TRUE(form->Form_Load());
    workers = 0;  // the start's own look for left copies
    std::vector<fs::path> files;
    for (int i = 0; i < items; ++i) files.push_back(Made("f" + std::to_string(i)));
    ASSERT_TRUE(Controller().Bin()->moveToTrash(files).ok);
    Controller().Poll();
    ASSERT_EQ(Controller().State().binCount, items);
  }
  bin::BinController& Controller() { return form->Controller(); }
  fs::path Made(const std::string& name) {
    testsupport::WriteFile(home / name, "x");
    return home / name;
  }
  // Starts an emptying and waits until the worker stands at the gate.
  void StartHeld() {
    testsupport::DoubleClick(form.get());
    ASSERT_TRUE(Controller().Emptying());
    ASSERT_TRUE(SpinUntil([&] { return gate.Reached(); }, 5000));
  }
  bool InTrash(const std::string& name) {
    for (const auto& item : Controller().Bin()->list())
      if (item.original.filename() == name) return true;
    return false;
  }

  TempDir folder;
  TempDir home;
  Gate gate;
  int workers = 0;
  int sounds = 0;
  testsupport::MessageLog messages;
  std::unique_ptr<ShapedForm> form;
};

}  // namespace

TEST_F(Emptying, TheBinAnswersWhileItRunsAndWhatIsDroppedMeanwhileStaysInTheTrash) {
  Load("[Settings]\r\nSin confirm=Verdadero\r\n", 20);
  StartHeld();

  // The interface thread is free: a timer fires, the menu opens, the progress
  // window shows and leaves the bin usable.
  bool ticked = false;
  QTimer::singleShot(100, form.get(), [&] { ticked = true; });
  EXPECT_TRUE(SpinUntil([&] { return ticked; }, 1000));
  form->Menu()->popup(QPoint(10, 10));
  EXPECT_TRUE(SpinUntil([&] { return form->Menu()->isVisible(); }, 1000));
  form->Menu()->hide();
  ASSERT_TRUE(SpinUntil([&] { return form->View().EmptyingProgress()->isVisible(); }, 2000));
  EXPECT_FALSE(form->View().EmptyingProgress()->isModal());

  // A second request while it runs starts nothing.
  testsupport::DoubleClick(form.get());
  const fs::path late = Made("tarde.txt");
  testsupport::DropFiles(form.get(), {late});

  gate.Open();
  ASSERT_TRUE(SpinUntil([&] { return !Controller().Emptying(); }, 10000));
  EXPECT_EQ(workers, 1);
  EXPECT_FALSE(fs::exists(late));
  EXPECT_TRUE(InTrash("tarde.txt")) << "the emptying took what was dropped while it ran";
  EXPECT_EQ(Controller().Bin()->query().count, 1);
  EXPECT_EQ(Controller().State().binCount, 1) << "the end shows the trash as it is";
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(form->findChildren<QProgressDialog*>().size(), 0);
}

TEST_F(Emptying, CancelStopsItAndWhatWasNotDeletedStays) {
  Load("[Settings]\r\nSin confirm=Verdadero\r\n", 20);
  StartHeld();
  ASSERT_TRUE(SpinUntil([&] { return form->View().EmptyingProgress()->isVisible(); }, 2000));
  QAbstractButton* cancel = nullptr;
  for (auto* b : form->View().EmptyingProgress()->findChildren<QAbstractButton*>())
    if (b->text() == QStringLiteral("Cancelar")) cancel = b;
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  gate.Open();
  ASSERT_TRUE(SpinUntil([&] { return !Controller().Emptying(); }, 10000));
  EXPECT_EQ(Controller().Bin()->query().count, 20);
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(InTrash("f" + std::to_string(i))) << i;

  // Stopped by the user: an emptying by anyone else later is not greeted.
  Controller().Bin()->empty([](std::int64_t, std::int64_t) { return true; });
  Controller().Poll();
  EXPECT_EQ(sounds, 0);
}
