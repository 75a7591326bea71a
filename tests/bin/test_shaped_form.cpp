// The bin window on the real trash, its emptying held at the start so that "while it runs" does not
// hang on the disk's speed; its hot-key poller on scripted keys; the shaper and the pictures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProgressDialog>
#include <QScreen>
#include <QSemaphore>
#include <QUrl>
#include <atomic>
#include <climits>
#include <map>
#include <set>

#include "app/ToolTable.h"
#include "bin/FormStatus.h"
#include "bin/HotKeys.h"
#include "bin/ShapedForm.h"
#include "bin/StatusText.h"
#include "platform/RecycleBin.h"
#include "settings/ProgramFolder.h"
#include "shape/SkinCatalog.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"
#include "support/QtTestKit.h"
#include "support/SilentListener.h"
#include "support/TempDir.h"
#include "weather/WeatherMaps.h"

namespace fs = std::filesystem;
using bin::ShapedForm;
using shape::SkinPicture;
using testsupport::SpinUntil;
using testsupport::TempDir;

namespace {

struct Gate {
  QSemaphore open;
  std::atomic<bool> reached{false};
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
    gate_->reached = true;  // before the trash is read: what arrives meanwhile would be seen
    gate_->open.acquire();
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

// Records what the bin asks of the desktop.
struct SessionLog : platform::DesktopSession {
  std::vector<std::string>* calls;
  explicit SessionLog(std::vector<std::string>* c) : calls(c) {}
  bool SetStartAtLogIn(bool on, const std::string&) override {
    calls->push_back(on ? "at log-in" : "not at log-in");
    return true;
  }
  bool SetTrashIconHidden(bool) override { return true; }
};

class BinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::App();
    settings::SetProgramFolder(folder.path());
  }
  void TearDown() override {
    gate.open.release();  // a failed test must not leave a worker waiting
    form.reset();
    bin::FormStatus::CloseCurrent();
  }

  void Load(const std::string& ini = "", std::function<QImage(const QString&)> decode = nullptr) {
    if (!ini.empty()) testsupport::WriteFile(folder / "Options.ini", ini);
    bin::BinServices s;
    s.recycleBin = platform::MakeRecycleBin();
    s.makeRecycleBin = [this]() -> std::unique_ptr<platform::RecycleBin> {
      ++workers;
      return held ? std::make_unique<HeldTrash>(&gate) : platform::MakeRecycleBin();
    };
    s.playWave = [this](const fs::path& f) { sounds.push_back(f); };
    s.decodePicture = std::move(decode);
    s.attachToDesktop = [this](QWidget*) { ++attached; };
    s.session = std::make_unique<SessionLog>(&session);
    tools::ToolList tools;
    tools.push_back(std::make_unique<weather::WeatherMapsTool>());
    form = std::make_unique<ShapedForm>(std::move(s), std::move(tools));
    Controller().SetPolling(false);  // the tests drive the poll themselves
    EXPECT_TRUE(form->Form_Load());
  }
  bin::BinController& Controller() { return form->Controller(); }
  fs::path Made(const std::string& name) {
    testsupport::WriteFile(home / name, "x");
    return home / name;
  }
  // Starts an emptying of 20 items unasked and waits until the worker stands at the gate.
  void StartHeld() {
    Load("[Settings]\r\nSin confirm=Verdadero\r\n");
    std::vector<fs::path> files;
    for (int i = 0; i < 20; ++i) files.push_back(Made("f" + std::to_string(i)));
    ASSERT_TRUE(Controller().Bin()->moveToTrash(files).ok);
    Controller().Poll();
    workers = 0;  // the start's own look for left copies
    held = true;
    testsupport::DoubleClick(form.get());
    ASSERT_TRUE(SpinUntil([&] { return gate.reached.load(); }, 5000));
    ASSERT_TRUE(SpinUntil([&] { return form->View().EmptyingProgress()->isVisible(); }, 2000));
  }

  TempDir folder, home;
  testsupport::ScopedEnv xdg{"XDG_DATA_HOME", (home / "data").string()};
  testsupport::MessageLog log{platform::kAnswerCancel};
  std::vector<platform::ShownMessage>& shown = log.shown;
  Gate gate;
  bool held = false;
  int workers = 0, attached = 0;
  std::vector<fs::path> sounds;
  std::vector<std::string> session;
  std::unique_ptr<ShapedForm> form;
};
using Emptying = BinWindow;

TEST_F(BinWindow, FirstPollShowsAnEmptyTrashThoughAFullBinWasStoredAndEachPictureIsDecodedOnce) {
  std::map<QString, int> decodes;
  Load("[Imagenes]\r\nImagen=ShapedFormFullFutur64\r\n", [&](const QString& name) {
    ++decodes[name];
    return SkinPicture(name);
  });
  EXPECT_EQ(Controller().Picture(), SkinPicture("ImgFuturFull"));
  Controller().Poll();
  EXPECT_EQ(Controller().Picture(), SkinPicture("ImgFuturEmpty"));
  EXPECT_TRUE(sounds.empty());
  // However often the trash fills and empties and the skin changes.
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(Controller().Bin()->moveToTrash({Made("f.txt")}).ok);
    Controller().Poll();
    Controller().Bin()->empty([](std::int64_t, std::int64_t) { return true; });
    Controller().Poll();
    EXPECT_EQ(Controller().Picture(), SkinPicture("ImgFuturEmpty"));
    form->Item("MnuMini")->trigger();
    form->Item("MnuSpace")->trigger();
  }
  EXPECT_EQ(decodes, (std::map<QString, int>{
                         {"ImgFuturEmpty", 1}, {"ImgFuturFull", 1}, {"ImgMiniEmpty", 1}}));
}

TEST_F(BinWindow, AStoredSizeNoScreenCanHoldIsNotUsed) {
  // Each reshape would scan gigabytes.
  Load("[Posici\xF3n]\r\nWasteWell_Width=450000\r\nWasteWell_Height=2147483647\r\n");
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  EXPECT_LE(form->width(), desktop.width());
  EXPECT_LE(form->height(), desktop.height());
}

TEST_F(BinWindow, TheQuestionIsAskedOnceLeavesTheBinLiveAndOnlyOurOwnEmptyingPlaysTheSound) {
  Load();
  auto& bin = *Controller().Bin();
  ASSERT_TRUE(bin.moveToTrash({Made("a.txt"), Made("b.txt")}).ok);
  Controller().Poll();
  testsupport::DoubleClick(form.get());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(bin.query().count, 2);
  // Emptied by someone else after the declined question.
  bin.empty([](std::int64_t, std::int64_t) { return true; });
  Controller().Poll();
  EXPECT_TRUE(sounds.empty());

  ASSERT_TRUE(bin.moveToTrash({Made("c.txt")}).ok);
  Controller().Poll();
  platform::SetMsgBoxHook(nullptr);  // a real box
  testsupport::DoubleClick(form.get());
  testsupport::DoubleClick(form.get());  // as Alt+V held does on every tick
  // Back here with the question open: the poll still sees the trash.
  ASSERT_TRUE(bin.moveToTrash({Made("d.txt")}).ok);
  Controller().Poll();
  EXPECT_EQ(Controller().State().binCount, 2);
  const QList<QMessageBox*> boxes = form->findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  for (QAbstractButton* b : boxes[0]->buttons())
    if (b->text() == QStringLiteral("Aceptar")) b->click();
  ASSERT_TRUE(SpinUntil([&] { return !Controller().Emptying(); }, 10000));
  EXPECT_EQ(bin.query().count, 0);
  Controller().Poll();
  Controller().Poll();
  EXPECT_EQ(sounds, std::vector<fs::path>{folder / "Reciclaje de Windows XP.wav"});
}

TEST_F(BinWindow, DroppedFilesGoToTheTrashAndWhatStaysIsReportedAfterTheDrop) {
  Load();
  const auto a = Made("uno.txt");
  Made("carpeta/dos.txt");
  EXPECT_TRUE(testsupport::DropFiles(form.get(), {a, home / "carpeta", home / "no-existe.txt"}));
  EXPECT_EQ(Controller().State().binCount, 2);
  EXPECT_TRUE(shown.empty()) << "the program the files came from waits for the drop to end";
  QCoreApplication::processEvents();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("no-existe.txt"));

  QMimeData remote;
  remote.setUrls({QUrl("http://127.0.0.1:9/a.txt")});
  EXPECT_FALSE(testsupport::DragEnter(form.get(), remote));
}

TEST_F(BinWindow, AWindowGoneBeforeItsPendingStepsRunsNoneOfThem) {
  Load();
  testsupport::DropFiles(form.get(), {home / "no-existe.txt"}, false);
  form.reset();
  SpinUntil([] { return false; }, 200);
  EXPECT_EQ(attached, 1) << "the second request waits for the showing, and never comes";
  EXPECT_TRUE(shown.empty()) << "no message for a window that is gone";

  Load();
  SpinUntil([&] { return attached == 3; }, 2000);
  EXPECT_EQ(attached, 3) << "asked again once shown";
}

TEST_F(BinWindow, TheChecksAreTheLiveOptionsThoughTheFileCannotBeWritten) {
  const std::string stored = "[Settings]\r\nSin sonido=Verdadero\r\n";
  testsupport::WriteFile(folder / "Options.ini", stored);
  fs::permissions(folder / "Options.ini", fs::perms::owner_read);
  Load();
  for (const bool on : {true, false}) {
    for (const char* item : {"MnuIniwin", "MnuNosound", "MnuNoconfirm"})
      form->Item(item)->trigger();
    EXPECT_EQ(form->Item("MnuIniwin")->isChecked(), on);
    EXPECT_EQ(form->Item("MnuNosound")->isChecked(), !on);
    EXPECT_EQ(Controller().Option(settings::Key::NoConfirm), on);
    EXPECT_EQ(session.back(), on ? "at log-in" : "not at log-in");
  }
  EXPECT_EQ(testsupport::ReadFile(folder / "Options.ini"), stored);
}

// The host never answers: the check waits its full time, off the interface thread.
TEST_F(BinWindow, MapsSayWhenTheConnectionFailsOnceThoughAskedTwice) {
  testsupport::SilentListener silent;
  Load("[Servidores]\r\nConexion=" + silent.At() + "\r\n");
  form->Item("MnuMaps")->trigger();
  form->Item("MnuMaps")->trigger();
  SpinUntil([] { return false; }, 300);
  EXPECT_TRUE(shown.empty()) << "the check answers later";
  ASSERT_TRUE(SpinUntil([&] { return !shown.empty(); }, 10000));
  SpinUntil([] { return false; }, 300);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].style, platform::kExclamation);
}

TEST_F(Emptying, TheBinAnswersWhileItRunsAndWhatIsDroppedMeanwhileStaysInTheTrash) {
  StartHeld();  // returns only if the interface thread is free
  EXPECT_FALSE(form->View().EmptyingProgress()->isModal());

  // A second request while it runs starts nothing.
  testsupport::DoubleClick(form.get());
  const fs::path late = Made("tarde.txt");
  testsupport::DropFiles(form.get(), {late});

  gate.open.release();
  ASSERT_TRUE(SpinUntil([&] { return !Controller().Emptying(); }, 10000));
  EXPECT_EQ(workers, 1);
  EXPECT_TRUE(fs::exists(home / "data/Trash/files/tarde.txt"))
      << "the emptying took what was dropped while it ran";
  EXPECT_EQ(Controller().State().binCount, 1) << "the end shows the trash as it is";
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(form->findChildren<QProgressDialog*>().size(), 0);
}

TEST_F(Emptying, CancelStopsItAndWhatWasNotDeletedStays) {
  StartHeld();
  emit form->View().EmptyingProgress()->canceled();  // its button
  gate.open.release();
  ASSERT_TRUE(SpinUntil([&] { return !Controller().Emptying(); }, 10000));
  EXPECT_EQ(Controller().Bin()->query().count, 20);

  // Stopped by the user: an emptying by anyone else later is not greeted.
  Controller().Bin()->empty([](std::int64_t, std::int64_t) { return true; });
  Controller().Poll();
  EXPECT_TRUE(sounds.empty());
}

TEST(StatusText, UnitBoundaries) {
  const struct {
    std::int64_t count, size;
    const char* text;
  } cases[] = {
      {0, 4096, "Papelera vacía "},  // a count of zero wins over a stray size
      {2, 1024, "La papelera contiene \r\n2 objetos en 1024 bytes "},
      {2, 1025, "La papelera contiene \r\n2 objetos en 1,00 Kb "},
      {1, 1048576, "La papelera contiene \r\n1 objeto en 1,00 Mb "},
      {9, 2147483647LL, "La papelera contiene \r\n9 objetos en 2048,00 Mb "},
      {1, 2147483648LL, "La papelera contiene más de 2 Gigabytes!!! "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bin::StatusText(c.count, c.size, QLocale(QLocale::Spanish, QLocale::Spain)),
              QString::fromUtf8(c.text))
        << c.size;
}

using Calls = std::vector<std::string>;
using Next = bin::HotKeyPoller::Next;

struct ScriptedKeys : platform::KeyState {
  std::int16_t AsyncKeyState(int virtualKey) override {
    ++queries;
    return down.count(virtualKey) ? static_cast<std::int16_t>(-32767) : 0;
  }
  // Exactly these keys down; '!' is Alt.
  void Hold(const std::string& keys) {
    down.clear();
    for (char k : keys) down.insert(k == '!' ? bin::kVkAlt : k);
  }
  std::set<int> down;
  int queries = 0;
};

class HotKeysTest : public ::testing::Test {
 protected:
  HotKeysTest() {
    // The program's own tools, as the bin window lists them: each notes its letter.
    actions = bin::HotKeysOf(bin::ToolCommands(
        table, [this](tools::Tool& t) { calls.push_back(std::string(1, t.Info().hotKey)); },
        [](tools::Tool&) { return true; }));
    actions.openBin = [this] { calls.push_back("open"); };
    actions.emptyBin = [this] { calls.push_back("empty"); };
  }
  void Start(const std::string& held) {
    calls.clear();
    keys.Hold(held);
    poller = std::make_unique<bin::HotKeyPoller>(keys, actions);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) poller->TimerTecla_Timer();
  }

  tools::ToolList table = app::ToolTable();
  ScriptedKeys keys;
  bin::HotKeyActions actions;
  Calls calls;
  std::unique_ptr<bin::HotKeyPoller> poller;
};

// Of several letters held with Alt only the first of D, T, S, X, W acts, whatever order the menu
// lists the tools in; letters without Alt do nothing.
TEST_F(HotKeysTest, SeveralLettersHeldOpenOnlyTheFirstToolInHotKeyOrder) {
  const std::string order = "DTSXW";
  for (std::size_t first = 0; first < order.size(); ++first) {
    for (std::size_t later = first + 1; later < order.size(); ++later) {
      Start(std::string("!") + order[later] + order[first]);
      Ticks(2);
      EXPECT_EQ(calls, Calls{std::string(1, order[first])}) << order[first] << order[later];
    }
  }
  Start("AVDT");  // typing elsewhere must never empty the trash
  Ticks(3);
  EXPECT_EQ(calls, Calls{});
}

// A held tool key acts once per press (a second window would follow on every tick). Emptying acts
// on every tick; the poll keeps its timer while a key is held and rests (waits) only when none is.
TEST_F(HotKeysTest, AHeldToolKeyActsOncePerPressWhileEmptyingRepeats) {
  Start("");
  for (const auto& [held, ticks] :
       {std::pair{"!D", 10}, {"!", 1}, {"!D", 3}, {"D", 1}, {"!D", 2}}) {
    keys.Hold(held);
    Ticks(ticks);
  }
  EXPECT_EQ(calls, (Calls{"D", "D", "D"}));
  Start("!V");
  Ticks(2);
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  EXPECT_EQ(calls, (Calls{"empty", "empty", "empty"}));
  keys.Hold("V");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  keys.Hold("");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Rest);
}

TEST_F(HotKeysTest, SwitchingTheHotKeysOffFromInsideAnActionEndsTheTick) {
  actions.openBin = [&] {
    calls.push_back("open");
    poller->Stop();
  };
  Start("!AD");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Done);
  EXPECT_EQ(calls, Calls{"open"});
  const int queries = keys.queries;
  Ticks(2);
  EXPECT_EQ(keys.queries, queries) << "a stopped poller looks at nothing";
}

constexpr QRgb kKey = 0xFF808080;

void Paint(QWidget* w, QRgb color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, QColor::fromRgb(color));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// A window that draws over its key-colour background, as the bin window does.
class Canvas : public QWidget {
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(5, 6, 10, 7, QColor(200, 0, 0));
  }
};

// No region file is ever read (one with a rectangle at -2147483648 overflowed): the builder scans.
TEST(TransForm, FormKeepsOnlyItsOwnDrawingAndAllKeyColourLeavesNothingToHit) {
  testsupport::App();
  testsupport::TempDir dir;
  std::string bytes;
  for (std::int32_t v : {32, 1, 1, 16, INT32_MIN, 0, 10, 1, INT32_MIN, 0, 10, 1})
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  const std::filesystem::path file = dir / "outline.rgn";
  testsupport::WriteFile(file, bytes);
  shape::clsTransForm shaper;
  Canvas form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(40, 30);
  Paint(&form, kKey);
  QWidget child(&form);  // children are not scanned
  child.setGeometry(20, 20, 10, 5);
  Paint(&child, qRgb(0, 200, 0));
  form.show();
  shaper.ShapeMe(&form, kKey, true, file.string());
  EXPECT_EQ(form.mask(), QRegion(5, 6, 10, 7));
  EXPECT_EQ(testsupport::ReadFile(file), bytes);

  // All key colour: a mask that misses every pixel, yet not empty (Qt takes that for "no mask").
  QWidget blank;
  blank.resize(20, 10);
  Paint(&blank, kKey);
  shaper.ShapeMe(&blank, kKey);
  EXPECT_TRUE(shape::clsTransForm::HasEmptyOutline(blank));
  EXPECT_FALSE(blank.mask().isEmpty());
  EXPECT_TRUE((blank.mask() & blank.rect()).isEmpty());
}

TEST(SkinFiles, EveryPictureDecodesWithItsOutlineAndWithoutTheKeyColour) {
  for (const shape::SkinRow& row : shape::SkinTable()) {
    for (const char* name : {row.emptyHolder, row.fullHolder}) {
      const QImage img = SkinPicture(name);
      ASSERT_EQ(img.size(), QSize(64, 64)) << name;
      int clear = 0, key = 0;  // the key colour would punch a hole in the bin
      for (int i = 0; i < 64 * 64; ++i) {
        clear += qAlpha(img.pixel(i % 64, i / 64)) == 0;
        key += img.pixel(i % 64, i / 64) == kKey;
      }
      EXPECT_EQ(key, 0) << name;
      EXPECT_TRUE(clear > 64 * 64 / 8 && clear < 64 * 64 * 3 / 4) << name << ": " << clear;
    }
    EXPECT_NE(SkinPicture(row.emptyHolder), SkinPicture(row.fullHolder));
  }
}

}  // namespace
