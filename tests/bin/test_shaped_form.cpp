// The bin window under the offscreen platform, with the trash of the adapter
// set this build chose (a real one under a temporary XDG_DATA_HOME on Linux)
// and recording message boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <functional>
#include <map>

#include "bin/FormStatus.h"
#include "bin/ShapedForm.h"
#include "platform/RecycleBin.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "shape/SkinImage.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"

using bin::ShapedForm;
using settings::Key;
using shape::SkinPicture;
using testsupport::TempDir;

namespace {

class BinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::App();
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "data").string()));
    settings::SetProgramFolder(folder.path());
    platform::SetMsgBoxHook([this](const platform::ShownMessage& m) {
      shown.push_back(m);
      return answer;
    });
  }
  void TearDown() override {
    qunsetenv("XDG_DATA_HOME");
    platform::SetMsgBoxHook(nullptr);
    bin::FormStatus::CloseCurrent();
  }

  // A loaded window with `ini` as the stored options.
  std::unique_ptr<ShapedForm> Load(const std::string& ini = "",
                                   std::function<QImage(const QString&)> decode = nullptr) {
    if (!ini.empty()) testsupport::WriteFile(folder / "Options.ini", ini);
    bin::BinServices s;
    s.recycleBin = platform::MakeRecycleBin();
    s.makeRecycleBin = [] { return platform::MakeRecycleBin(); };
    s.playWave = [this](const std::filesystem::path& f) { sounds.push_back(f); };
    s.isOnlyInstance = [] { return true; };
    s.osVersionText = [] { return std::string("610"); };
    s.decodePicture = std::move(decode);
    s.attachToDesktop = [this](QWidget*) { ++attached; };
    auto form = std::make_unique<ShapedForm>(std::move(s), tools::ToolList());
    form->Controller().SetPolling(false);  // the tests drive the poll themselves
    EXPECT_TRUE(form->Form_Load());
    return form;
  }

  std::filesystem::path Trashed(const std::string& name) {
    testsupport::WriteFile(home / name, "x");
    return home / name;
  }

  TempDir folder;
  TempDir home;
  std::vector<platform::ShownMessage> shown;
  std::vector<std::filesystem::path> sounds;
  int answer = platform::kAnswerOk;
  int attached = 0;
};

}  // namespace

TEST_F(BinWindow, FirstPollShowsAnEmptyTrashThoughAFullBinWasStored) {
  auto form = Load("[Imagenes]\r\nImagen=ShapedFormFullFutur64\r\n");
  EXPECT_EQ(form->Controller().Picture(), SkinPicture("ImgFuturFull"));
  form->Controller().Poll();
  EXPECT_EQ(form->Controller().Picture(), SkinPicture("ImgFuturEmpty"));
  EXPECT_TRUE(sounds.empty());
}

TEST_F(BinWindow, EachPictureIsDecodedOnceHoweverOftenTheTrashFillsAndEmpties) {
  std::map<QString, int> decodes;
  auto form = Load("", [&](const QString& name) {
    ++decodes[name];
    return SkinPicture(name);
  });
  auto& bin = *form->Controller().Bin();
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(bin.moveToTrash({Trashed("f.txt")}).ok);
    form->Controller().Poll();
    EXPECT_EQ(form->Controller().Picture(), SkinPicture("ImgDefaultFull"));
    bin.empty([](std::int64_t, std::int64_t) { return true; });
    form->Controller().Poll();
    EXPECT_EQ(form->Controller().Picture(), SkinPicture("ImgDefaultEmpty"));
    form->Item("MnuMini")->trigger();
    form->Item("MnuDefault")->trigger();
  }
  EXPECT_EQ(decodes, (std::map<QString, int>{
                         {"ImgDefaultEmpty", 1}, {"ImgDefaultFull", 1}, {"ImgMiniEmpty", 1}}));
}

TEST_F(BinWindow, AStoredSizeNoScreenCanHoldIsNotUsed) {
  // Each reshape would scan gigabytes.
  auto form = Load("[Posici\xF3n]\r\nWasteWell_Width=450000\r\nWasteWell_Height=2147483647\r\n");
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  EXPECT_LE(form->width(), desktop.width());
  EXPECT_LE(form->height(), desktop.height());
}

TEST_F(BinWindow, DecliningTheQuestionEmptiesNothingAndOnlyOurOwnEmptyingPlaysTheSound) {
  auto form = Load();
  auto& bin = *form->Controller().Bin();
  ASSERT_TRUE(bin.moveToTrash({Trashed("a.txt"), Trashed("b.txt")}).ok);
  form->Controller().Poll();
  answer = platform::kAnswerCancel;
  testsupport::DoubleClick(form.get());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].style, platform::kOkCancel | platform::kQuestion);
  EXPECT_EQ(bin.query().count, 2);
  // Emptied by someone else after the declined question.
  bin.empty([](std::int64_t, std::int64_t) { return true; });
  form->Controller().Poll();
  EXPECT_TRUE(sounds.empty());

  ASSERT_TRUE(bin.moveToTrash({Trashed("c.txt")}).ok);
  form->Controller().Poll();
  answer = platform::kAnswerOk;
  testsupport::DoubleClick(form.get());
  ASSERT_TRUE(testsupport::SpinUntil([&] { return !form->Controller().Emptying(); }, 10000));
  EXPECT_EQ(bin.query().count, 0);
  form->Controller().Poll();
  form->Controller().Poll();
  EXPECT_EQ(sounds, std::vector<std::filesystem::path>{folder / "Reciclaje de Windows XP.wav"});
}

TEST_F(BinWindow, TheQuestionLeavesTheBinLiveAndIsAskedOnceHoweverOftenTheUserAsks) {
  auto form = Load();
  auto& bin = *form->Controller().Bin();
  ASSERT_TRUE(bin.moveToTrash({Trashed("a.txt")}).ok);
  form->Controller().Poll();
  platform::SetMsgBoxHook(nullptr);  // a real box
  testsupport::DoubleClick(form.get());
  testsupport::DoubleClick(form.get());  // as Alt+V held does on every tick
  // Back here with the question open: the poll still sees the trash.
  ASSERT_TRUE(bin.moveToTrash({Trashed("b.txt")}).ok);
  form->Controller().Poll();
  EXPECT_EQ(form->Controller().State().binCount, 2);
  const QList<QMessageBox*> boxes = form->findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  for (QAbstractButton* b : boxes[0]->buttons())
    if (b->text() == QStringLiteral("Aceptar")) b->click();
  ASSERT_TRUE(testsupport::SpinUntil([&] { return !form->Controller().Emptying(); }, 10000));
  EXPECT_EQ(bin.query().count, 0);
}

TEST_F(BinWindow, TheUnloadEmptiesWhenAskedAndStoresTheSkinAndWhatTheLastPollSaw) {
  auto form = Load("[Settings]\r\nVaciar al salir=Verdadero\r\n");
  ASSERT_TRUE(form->Controller().Bin()->moveToTrash({Trashed("y.txt")}).ok);
  form->Controller().Poll();
  form->Item("MnuMini")->trigger();
  EXPECT_EQ(form->Controller().Picture(), SkinPicture("ImgMiniFull"));
  form->Form_Unload();
  EXPECT_TRUE(shown.empty()) << "emptied at exit without a question";
  EXPECT_EQ(form->Controller().Bin()->query().count, 0);
  EXPECT_EQ(settings::Options().Text(Key::Picture), "ShapedFormFullClass48");
}

TEST_F(BinWindow, DroppedFilesGoToTheTrashAndWhatStaysIsReportedAfterTheDrop) {
  auto form = Load();
  const auto url = [](const std::filesystem::path& p) {
    return QUrl::fromLocalFile(QString::fromStdString(p.string()));
  };
  const auto a = Trashed("uno.txt"), b = Trashed("carpeta/dos.txt");
  QMimeData data;
  data.setUrls({url(a), url(home / "carpeta"), url(home / "no-existe.txt")});
  EXPECT_TRUE(testsupport::DragEnter(form.get(), data));
  testsupport::Drop(form.get(), data);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_FALSE(std::filesystem::exists(b));
  EXPECT_EQ(form->Controller().State().binCount, 2);
  EXPECT_TRUE(shown.empty()) << "the program the files came from waits for the drop to end";
  QCoreApplication::processEvents();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("no-existe.txt"));

  QMimeData remote;
  remote.setUrls({QUrl("http://127.0.0.1:9/a.txt")});
  EXPECT_FALSE(testsupport::DragEnter(form.get(), remote));
}

TEST_F(BinWindow, AWindowGoneBeforeItsPendingStepsRunsNoneOfThem) {
  auto form = Load();
  EXPECT_EQ(attached, 1) << "the second request waits for the showing";
  testsupport::DropFiles(form.get(), {home / "no-existe.txt"}, false);
  form.reset();
  testsupport::SpinUntil([] { return false; }, 200);
  EXPECT_EQ(attached, 1);
  EXPECT_TRUE(shown.empty()) << "no message for a window that is gone";

  auto again = Load();
  testsupport::SpinUntil([&] { return attached == 3; }, 2000);
  EXPECT_EQ(attached, 3) << "asked again once shown";
}
