// The bin window under the offscreen platform, with a real trash in a
// temporary folder and recording message boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QTcpServer>
#include <QUrl>
#include <set>
#include <tuple>

#include "app/settings/ModIni.h"
#include "app/settings/Options.h"
#include "app/settings/ProgramFolder.h"
#include "bin/Emptying.h"
#include "bin/FormStatus.h"
#include "bin/HotKeys.h"
#include "bin/ShapedForm.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/linux/FreedesktopTrash.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "weather/WeatherMaps.h"

using app::Key;
using bin::ShapedForm;
using shape::SkinPicture;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Records what the program asks of the session, with the settings file as
// it was at that moment.
struct SessionLog : platform::DesktopSession {
  std::vector<std::string>* calls;
  explicit SessionLog(std::vector<std::string>* c) : calls(c) {}
  bool SetStartAtLogIn(bool on, const std::string&) override {
    calls->push_back((on ? "start | " : "no start | ") + app::Options().Text(Key::StartAtLogIn));
    return true;
  }
  bool SetTrashIconHidden(bool hidden) override {
    calls->push_back(hidden ? "hide" : "show");
    return true;
  }
};

// A tool as the update checker will be: it ends the program through its host.
struct EndingTool : tools::Tool {
  EndingTool()
      : Tool({tools::MenuPlace::Help, "MnuBuscaBin", QStringLiteral("Buscar actualizaciones"), 0,
              tools::KeyRepeat::WhileHeld}) {}
  void Open(tools::ToolHost& host) override { host.UnloadAllForms(); }
};

tools::ToolList Tools() {
  tools::ToolList list;
  list.push_back(std::make_unique<tools::PendingTool>(tools::ToolInfo{
      tools::MenuPlace::Utilities, "MnuTemp", QStringLiteral("Vaciar Carpeta Temporal -- Alt + t"),
      'T', tools::KeyRepeat::WhileHeld}));
  list.push_back(std::make_unique<weather::WeatherMapsTool>());
  list.push_back(std::make_unique<EndingTool>());
  return list;
}

// A closed poller goes at a later turn of the event loop, so the keys it reads outlive the test.
std::function<std::unique_ptr<platform::KeyState>()> Keys(const std::set<int>* down) {
  struct Held : platform::KeyState {
    const std::set<int>* down;
    explicit Held(const std::set<int>* d) : down(d) {}
    std::int16_t AsyncKeyState(int vk) override { return down->count(vk) ? -32767 : 0; }
  };
  return [down] { return std::make_unique<Held>(down); };
}

class BinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::App();
    app::SetProgramFolder(folder.path());
    platform::SetMsgBoxHook([this](const platform::ShownMessage& m) {
      shown.push_back(m);
      return answer;
    });
  }
  void TearDown() override {
    platform::SetMsgBoxHook(nullptr);
    bin::FormStatus::CloseCurrent();
  }

  // A loaded window over the home trash alone, with `ini` as the stored options.
  std::unique_ptr<ShapedForm> Load(const std::string& ini = "",
                                   std::function<std::unique_ptr<platform::KeyState>()> keys = {},
                                   bool onlyInstance = true) {
    if (!ini.empty()) WriteFile(folder / "Options.ini", ini);
    bin::BinServices s;
    platform::TrashSettings t;
    t.dataHome = home.path() / "data";
    t.topDirs = std::vector<std::filesystem::path>{};
    s.recycleBin = std::make_unique<platform::FreedesktopTrash>(t);
    s.session = std::make_unique<SessionLog>(&session);
    s.playWave = [this](const std::filesystem::path& f) { sounds.push_back(f); };
    s.isOnlyInstance = [onlyInstance] { return onlyInstance; };
    s.osVersionText = [] { return std::string("610"); };
    s.openTrashFolder = [this] { ++trashOpened; };
    s.makeKeyState = std::move(keys);
    auto form = std::make_unique<ShapedForm>(std::move(s), Tools());
    form->Timer1->stop();  // the tests drive the poll themselves
    EXPECT_EQ(form->Form_Load(), onlyInstance);
    return form;
  }

  std::filesystem::path Trashed(const std::string& name, const std::string& bytes = "x") {
    WriteFile(home / name, bytes);
    return home / name;
  }

  static QPointer<QWidget> OtherWindow() {
    QPointer<QWidget> other = new QWidget();
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->show();
    return other;
  }

  TempDir folder;
  TempDir home;
  std::vector<platform::ShownMessage> shown;
  std::vector<std::string> session;
  std::vector<std::filesystem::path> sounds;
  int answer = platform::kAnswerOk;
  int trashOpened = 0;
};

}  // namespace

TEST_F(BinWindow, ASecondCopyWritesNothingAndAFreshFolderStartsWithEverythingOff) {
  auto second = Load("", {}, false);
  EXPECT_FALSE(std::filesystem::exists(folder / "Options.ini"));
  EXPECT_FALSE(second->isVisible());

  auto form = Load();
  EXPECT_NE(ReadFile(folder / "Options.ini").find("Versi\xF3n OS=610"), std::string::npos)
      << "Windows-1252 on disk";
  EXPECT_TRUE(form->Item("MnuDefault")->isChecked());
  for (const char* name : {"MnuNoconfirm", "MnuNobar", "MnuNosound", "MnuIniwin", "MnuHotKeys",
                           "MnuNomove", "MnuVacialsalir", "MnuModern", "MnuCute"})
    EXPECT_FALSE(form->Item(name)->isChecked()) << name;
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgDefaultEmpty"));
  // Only the picture's own pixels are left of the window.
  EXPECT_FALSE(shape::clsTransForm::HasEmptyOutline(*form));
  EXPECT_LE(form->mask().boundingRect().width(), 64);

  const auto in = [&](const char* menu, const char* item) {
    return form->Item(menu)->menu()->actions().contains(form->Item(item));
  };
  EXPECT_TRUE(in("MnuTools", "MnuTemp") && in("MnuTools", "MnuMaps"));
  EXPECT_TRUE(in("MnuAbout", "MnuBuscaBin") && !in("MnuTools", "MnuBuscaBin"));
  EXPECT_FALSE(form->Item("MnuTemp")->isEnabled()) << "its window does not exist yet";
  EXPECT_TRUE(form->Item("MnuMaps")->isEnabled());
}

TEST_F(BinWindow, StoredOptionsAndGeometryAreApplied) {
  auto form = Load(
      "[settings]\r\nSin confirm=Verdadero\r\nSin barra=True\r\nSin sonido=true\r\n"
      "NoMovePos=Verdadero\r\n[Imagenes]\r\nImagen=ShapedFormCuteFull\r\n"
      "[Posici\xF3n]\r\nWasteWell_Left=100\r\n");
  EXPECT_TRUE(form->Item("MnuNoconfirm")->isChecked());
  EXPECT_FALSE(form->Item("MnuNosound")->isChecked());
  EXPECT_TRUE(form->Item("MnuCute")->isChecked());
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgCuteFull"));
  // Left 100 twips with no size: placed, but the built-in size is kept.
  EXPECT_EQ(form->geometry(), QRect(7, 0, 372, 339));
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoConfirmation | bin::kEmptyNoProgressUi);

  // A size no screen can hold would make every reshape scan gigabytes.
  auto huge = Load("[Posici\xF3n]\r\nWasteWell_Width=450000\r\nWasteWell_Height=2147483647\r\n");
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  EXPECT_LE(huge->width(), desktop.width());
  EXPECT_LE(huge->height(), desktop.height());
}

TEST_F(BinWindow, TogglesStoreTheOptionFirstAndTheCheckMarksFollowTheFile) {
  auto form = Load();
  form->MnuIniwin_Click();
  form->MnuIniwin_Click();
  // Stored before the session is told.
  EXPECT_EQ(session, (std::vector<std::string>{"start | Verdadero", "no start | Falso"}));

  form->MnuNoconfirm_Click();
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoConfirmation);
  // A value written by another window (or by hand) is what counts.
  app::IniWrite("Settings", "Sin confirm", "Falso", app::OptionsFile());
  app::IniWrite("Settings", "Sin barra", "Verdadero", app::OptionsFile());
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoProgressUi);
  emit form->Menu()->aboutToShow();
  EXPECT_FALSE(form->Item("MnuNoconfirm")->isChecked());
  EXPECT_TRUE(form->Item("MnuNobar")->isChecked());
}

TEST_F(BinWindow, EmptyingAsksFirstAndPlaysTheSoundOnlyWhenDone) {
  auto form = Load();
  form->form_DblClick();
  EXPECT_TRUE(shown.empty()) << "an empty bin is not emptied";

  auto& bin = form->Bin();
  ASSERT_TRUE(bin.moveToTrash({Trashed("a.txt", "aaa"), Trashed("b.txt", "bbbb")}).ok);
  form->Timer1_Timer();
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgDefaultFull"));

  // Declined: nothing goes, and no sound at a later emptying by someone else.
  answer = platform::kAnswerCancel;
  form->form_DblClick();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].style, platform::kOkCancel | platform::kQuestion);
  EXPECT_TRUE(shown[0].text.contains("2")) << shown[0].text.toStdString();
  EXPECT_EQ(bin.query().count, 2);
  bin.empty([](std::int64_t, std::int64_t) { return true; });
  form->Timer1_Timer();
  EXPECT_TRUE(sounds.empty());
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgDefaultEmpty"));

  // Confirmed: emptied, and the next poll greets it once.
  ASSERT_TRUE(bin.moveToTrash({Trashed("c.txt")}).ok);
  form->Timer1_Timer();
  answer = platform::kAnswerOk;
  form->form_DblClick();
  EXPECT_EQ(bin.query().count, 0);
  form->Timer1_Timer();
  form->Timer1_Timer();
  EXPECT_EQ(sounds, std::vector<std::filesystem::path>{folder / "Reciclaje de Windows XP.wav"});
}

TEST_F(BinWindow, FirstPollShowsAnEmptyTrashThoughAFullBinWasStored) {
  auto form = Load("[Imagenes]\r\nImagen=ShapedFormFullFutur64\r\n");
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgFuturFull"));
  form->Timer1_Timer();
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgFuturEmpty"));
  EXPECT_TRUE(sounds.empty());
}

TEST_F(BinWindow, SkinSwitchShowsTheBinsStateAndTheUnloadStoresIt) {
  auto form = Load();
  ASSERT_TRUE(form->Bin().moveToTrash({Trashed("x.bin", std::string(5000, 'x'))}).ok);
  form->Timer1_Timer();
  form->SwitchSkin(shape::Skin::Metal);
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgMiniFull"));
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormEmptyClass48");
  int checked = 0;
  for (const auto& row : shape::SkinTable()) checked += form->Item(row.menuItem)->isChecked();
  EXPECT_EQ(checked, 1);
  EXPECT_TRUE(form->Item("MnuMini")->isChecked());

  // Not started at log-in: the desktop's own icon shows again.
  form->Form_Unload();
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormFullClass48");
  EXPECT_EQ(session, std::vector<std::string>{"show"});
}

TEST_F(BinWindow, UnloadWithStartAtLogInKeepsTheIconHiddenAndEmptiesWhenAsked) {
  auto form = Load("[Settings]\r\nInicio Windows=Verdadero\r\nVaciar al salir=Verdadero\r\n");
  ASSERT_TRUE(form->Bin().moveToTrash({Trashed("y.txt")}).ok);
  form->Timer1_Timer();
  form->Form_Unload();
  EXPECT_TRUE(shown.empty()) << "emptied at exit without a question";
  EXPECT_EQ(form->Bin().query().count, 0);
  EXPECT_TRUE(session.empty());
  // The state stored is the one the last poll saw.
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormFull");
}

TEST_F(BinWindow, DropsOfLocalFilesGoToTheTrashAtOnceAndOthersAreRefused) {
  auto form = Load();
  const auto url = [](const std::filesystem::path& p) {
    return QUrl::fromLocalFile(QString::fromStdString(p.string()));
  };
  const auto accepted = [&](const QMimeData& data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    return enter.isAccepted() && enter.dropAction() == Qt::MoveAction;
  };
  QMimeData data;
  const auto a = Trashed("uno.txt", "1"), b = Trashed("dos.txt", "22"),
             c = Trashed("carpeta/tres.txt", "333");
  data.setUrls({url(a), url(b), url(home / "carpeta")});
  EXPECT_TRUE(accepted(data));
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(form.get(), &drop);
  EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_FALSE(std::filesystem::exists(c));
  EXPECT_EQ(form->state.binCount, 3);
  EXPECT_EQ(form->CurrentPicture, SkinPicture("ImgDefaultFull"));
  EXPECT_TRUE(shown.empty());

  QMimeData text, remote;
  text.setText("hola");
  remote.setUrls({QUrl("https://example.org/a.txt")});
  EXPECT_FALSE(accepted(text));
  EXPECT_FALSE(accepted(remote));
}

TEST_F(BinWindow, AMoveThatCannotHappenIsReportedOnceAfterTheDrop) {
  auto form = Load();
  const auto kept = Trashed("sigue.txt");
  std::string list = kept.string() + '\0' + (home / "no-existe.txt").string() + '\0' + '\0';
  EXPECT_FALSE(form->MoveToRecycleBin(list, true));
  EXPECT_FALSE(std::filesystem::exists(kept));
  EXPECT_TRUE(shown.empty()) << "not while the drop is still being handled";
  QCoreApplication::processEvents();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("no-existe.txt"));
  EXPECT_EQ(shown[0].style, platform::kExclamation);
}

TEST_F(BinWindow, MapsAndAltWCheckTheConnectionAndSayWhenItFails) {
  QTcpServer closed;  // a port on 127.0.0.1 that nothing listens on
  closed.listen(QHostAddress::LocalHost);
  const std::string dead = "127.0.0.1:" + std::to_string(closed.serverPort());
  closed.close();
  static std::set<int> down;
  auto form = Load("[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" + dead + "\r\n",
                   Keys(&down));
  form->Item("MnuMaps")->trigger();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains(QStringLiteral("conectar"))) << shown[0].text.toStdString();
  EXPECT_EQ(shown[0].style, platform::kExclamation);

  ASSERT_NE(form->HotKeyPoller(), nullptr);
  for (const auto& [keys, messages, opened] :
       {std::tuple{std::set<int>{bin::kVkAlt, 'W'}, 2u, 0},
        std::tuple{std::set<int>{bin::kVkAlt, 'Q'}, 2u, 0},  // a letter of no tool does nothing
        std::tuple{std::set<int>{bin::kVkAlt, bin::kVkA}, 2u, 1}}) {
    down = keys;
    form->HotKeyPoller()->TimerTecla_Timer();
    EXPECT_EQ(shown.size(), messages);
    EXPECT_EQ(trashOpened, opened);
  }
  down.clear();
}

TEST_F(BinWindow, HotKeysWithoutX11TellTheUserOnceAndTheToggleUnloadsThePoller) {
  auto form = Load();
  for (int i = 0; i < 3; ++i) form->MnuHotKeys_Click();  // no key source in these services
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("X11"));

  static const std::set<int> none;
  auto withKeys = Load("", Keys(&none));
  ASSERT_NE(withKeys->HotKeyPoller(), nullptr) << "the option is on from the first form";
  EXPECT_TRUE(withKeys->HotKeyPoller()->TimerTecla->isActive());
  EXPECT_FALSE(withKeys->HotKeyPoller()->isVisible());
  withKeys->MnuHotKeys_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(withKeys->HotKeyPoller(), nullptr);
  EXPECT_FALSE(app::Options().IsOn(Key::HotKeys));
}

TEST_F(BinWindow, ReadMeAndWebGoToTheOpenerAndSalirClosesEveryOtherWindow) {
  std::vector<QString> opened;
  platform::SetShellOpenHook([&](const QString& t) {
    opened.push_back(t);
    return true;
  });
  auto form = Load("[Servidores]\r\nWeb=http://127.0.0.1:9/\r\n");
  form->MnuLeeme_Click();
  form->MnuWeb_Click();
  platform::SetShellOpenHook(nullptr);
  EXPECT_EQ(opened, (std::vector<QString>{QString::fromStdString((folder / "leame.txt").string()),
                                          QStringLiteral("http://127.0.0.1:9/")}));

  const QPointer<QWidget> other = OtherWindow();
  bin::FormStatus::LoadIfNeeded()->show();
  form->MnuExit_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(other.isNull());
  EXPECT_EQ(bin::FormStatus::Current(), nullptr);
  // Shown before the end, and once more because the program does not start at log-in.
  EXPECT_EQ(session, (std::vector<std::string>{"show", "show"}));
}

TEST_F(BinWindow, AToolCallingUnloadAllFormsEndsTheProgram) {
  auto form = Load();
  const QPointer<QWidget> other = OtherWindow();
  bool hung = false;
  QObject guard;
  QTimer::singleShot(5000, &guard, [&] {
    hung = true;
    QCoreApplication::exit(1);
  });
  QTimer::singleShot(0, form.get(), [&] { form->Item("MnuBuscaBin")->trigger(); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(hung) << "the event loop went on";
  EXPECT_FALSE(form->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(other.isNull());
  // The unload handler ran, without the steps of "Salir".
  EXPECT_EQ(app::Options().Text(Key::Left), "4830");
  EXPECT_EQ(session, std::vector<std::string>{"show"});
}
