// The bin window under the offscreen platform, with a real trash in a
// temporary folder and recording message boxes.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <set>

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
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using testsupport::App;

namespace {

// Records what the program asks of the session, with the settings file as
// it was at that moment.
struct SessionLog : platform::DesktopSession {
  std::vector<std::string>* calls;
  explicit SessionLog(std::vector<std::string>* c) : calls(c) {}
  bool SetStartAtLogIn(bool on, const std::string& line) override {
    calls->push_back(std::string(on ? "start " : "no start ") + (on ? line : "") + " | " +
                     app::Options().Text(Key::StartAtLogIn));
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

class BinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    app::SetProgramFolder(folder.path());
    platform::SetMsgBoxHook([this](const platform::ShownMessage& m) {
      shown.push_back(m);
      if (formDuringBox) enabledDuringBox = formDuringBox->isEnabled();
      return answer;
    });
  }
  void TearDown() override {
    platform::SetMsgBoxHook(nullptr);
    bin::FormStatus::CloseCurrent();
  }

  std::unique_ptr<ShapedForm> Make(
      bool onlyInstance = true,
      std::function<std::unique_ptr<platform::KeyState>()> keys = nullptr) {
    bin::BinServices s;
    platform::TrashSettings t;
    t.dataHome = home.path() / "data";
    t.topDirs = std::vector<std::filesystem::path>{};  // the home trash only
    s.recycleBin = std::make_unique<platform::FreedesktopTrash>(t);
    s.session = std::make_unique<SessionLog>(&session);
    s.playWave = [this](const std::filesystem::path& f) { sounds.push_back(f); };
    s.isOnlyInstance = [onlyInstance] { return onlyInstance; };
    s.osVersionText = [] { return std::string("610"); };
    s.openTrashFolder = [this] { ++trashOpened; };
    s.makeKeyState = std::move(keys);
    auto form = std::make_unique<ShapedForm>(std::move(s), Tools());
    form->Timer1->stop();  // the tests drive the poll themselves
    return form;
  }

  std::string Options() { return ReadFile(folder / "Options.ini"); }
  std::filesystem::path Trashed(const std::string& name, const std::string& bytes) {
    const auto p = home / name;
    WriteFile(p, bytes);
    return p;
  }

  TempDir folder;
  TempDir home;
  std::vector<platform::ShownMessage> shown;
  std::vector<std::string> session;
  std::vector<std::filesystem::path> sounds;
  int answer = platform::kAnswerOk;
  int trashOpened = 0;
  QWidget* formDuringBox = nullptr;
  bool enabledDuringBox = true;
};

std::vector<std::string> Captions(const QMenu* menu) {
  std::vector<std::string> out;
  for (QAction* a : menu->actions())
    out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return out;
}

// A port on 127.0.0.1 that nothing listens on.
std::string DeadAddress() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  close(s);
  return "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
}

}  // namespace

TEST_F(BinWindow, FreshFolderStartsWithEverythingOffAndTheMenuBuiltFromTheTools) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_NE(Options().find("Versi\xF3n OS=610"), std::string::npos) << "Windows-1252 on disk";
  EXPECT_TRUE(form->Item("MnuDefault")->isChecked());
  for (const char* name : {"MnuNoconfirm", "MnuNobar", "MnuNosound", "MnuIniwin", "MnuHotKeys",
                           "MnuNomove", "MnuVacialsalir", "MnuModern", "MnuCute"})
    EXPECT_FALSE(form->Item(name)->isChecked()) << name;
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultEmpty"));
  // Only the picture's own pixels are left of the window.
  EXPECT_FALSE(shape::clsTransForm::HasEmptyOutline(*form));
  EXPECT_LE(form->mask().boundingRect().width(), 64);

  EXPECT_EQ(
      Captions(form->Menu()),
      (std::vector<std::string>{"Abrir Papelera -- Alt + a", "Vaciar Papelera -- Alt + v", "-",
                                "Utilidades", "Opciones", "Cambiar imagen", "Ayuda", "Salir"}));
  EXPECT_EQ(form->Menu()->defaultAction(), form->Item("MnuOpen"));
  EXPECT_EQ(Captions(form->Item("MnuTools")->menu()),
            (std::vector<std::string>{"Vaciar Carpeta Temporal -- Alt + t",
                                      "Mapa Satélite Meteorológico -- Alt + w"}));
  EXPECT_EQ(Captions(form->Item("MnuAbout")->menu()),
            (std::vector<std::string>{"Acerca de WasteWell", "Buscar actualizaciones",
                                      "Visitar la web", "Léame"}));
  EXPECT_FALSE(form->Item("MnuTemp")->isEnabled()) << "its window does not exist yet";
  EXPECT_TRUE(form->Item("MnuMaps")->isEnabled());
}

TEST_F(BinWindow, ASecondCopyWritesNothing) {
  auto form = Make(false);
  EXPECT_FALSE(form->Form_Load());
  EXPECT_FALSE(std::filesystem::exists(folder / "Options.ini"));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(BinWindow, StoredOptionsAndGeometryAreApplied) {
  WriteFile(folder / "Options.ini",
            "[settings]\r\nSin confirm=Verdadero\r\nSin barra=True\r\nSin sonido=true\r\n"
            "NoMovePos=Verdadero\r\n[Imagenes]\r\nImagen=ShapedFormCuteFull\r\n"
            "[Posici\xF3n]\r\nWasteWell_Left=100\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_TRUE(form->Item("MnuNoconfirm")->isChecked());
  EXPECT_FALSE(form->Item("MnuNosound")->isChecked());
  EXPECT_TRUE(form->Item("MnuCute")->isChecked());
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgCuteFull"));
  // Left 100 twips with no size: placed, but the built-in size is kept.
  EXPECT_EQ(form->geometry(), QRect(7, 0, 372, 339));
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoConfirmation | bin::kEmptyNoProgressUi);

  // A size no screen can hold would make every reshape scan gigabytes.
  WriteFile(folder / "Options.ini",
            "[Posici\xF3n]\r\nWasteWell_Width=450000\r\nWasteWell_Height=2147483647\r\n");
  auto huge = Make();
  ASSERT_TRUE(huge->Form_Load());
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  EXPECT_LE(huge->width(), desktop.width());
  EXPECT_LE(huge->height(), desktop.height());
}

TEST_F(BinWindow, TogglesStoreTheOptionFirstAndTheCheckMarksFollowTheFile) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuIniwin_Click();
  form->MnuIniwin_Click();
  ASSERT_EQ(session.size(), 2u);
  EXPECT_EQ(session[0].rfind("start ", 0), 0u) << session[0];
  EXPECT_NE(session[0].find("| Verdadero"), std::string::npos) << "stored before";
  EXPECT_EQ(session[1], "no start  | Falso");

  form->MnuNoconfirm_Click();
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoConfirmation);
  EXPECT_TRUE(form->Item("MnuNoconfirm")->isChecked());
  // A check mark is only a picture of the file: a value written by another
  // window (or by hand) is what counts, and the menu shows it when it opens.
  app::IniWrite("Settings", "Sin confirm", "Falso", app::OptionsFile());
  app::IniWrite("Settings", "Sin barra", "Verdadero", app::OptionsFile());
  EXPECT_EQ(form->EmptyFlags(), bin::kEmptyNoProgressUi);
  emit form->Menu()->aboutToShow();
  EXPECT_FALSE(form->Item("MnuNoconfirm")->isChecked());
  EXPECT_TRUE(form->Item("MnuNobar")->isChecked());
}

TEST_F(BinWindow, EmptyingAsksFirstAndPlaysTheSoundOnlyWhenDone) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());

  // An empty bin is not emptied: no question.
  form->form_DblClick();
  EXPECT_TRUE(shown.empty());

  auto& bin = form->Bin();
  ASSERT_TRUE(bin.moveToTrash({Trashed("a.txt", "aaa"), Trashed("b.txt", "bbbb")}).ok);
  form->Timer1_Timer();
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultFull"));

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
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultEmpty"));

  // Confirmed: emptied, and the next poll greets it once.
  ASSERT_TRUE(bin.moveToTrash({Trashed("c.txt", "c")}).ok);
  form->Timer1_Timer();
  answer = platform::kAnswerOk;
  form->form_DblClick();
  EXPECT_EQ(bin.query().count, 0);
  form->Timer1_Timer();
  form->Timer1_Timer();
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0], folder / "Reciclaje de Windows XP.wav");
}

TEST_F(BinWindow, FirstPollShowsAnEmptyTrashThoughAFullBinWasStored) {
  WriteFile(folder / "Options.ini", "[Imagenes]\r\nImagen=ShapedFormFullFutur64\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgFuturFull"));
  form->Timer1_Timer();
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgFuturEmpty"));
  EXPECT_TRUE(sounds.empty());
}

TEST_F(BinWindow, SkinSwitchShowsTheBinsStateAndTheUnloadStoresIt) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  ASSERT_TRUE(form->Bin().moveToTrash({Trashed("x.bin", std::string(5000, 'x'))}).ok);
  form->Timer1_Timer();
  form->SwitchSkin(shape::Skin::Metal);
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgMiniFull"));
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormEmptyClass48");
  int checked = 0;
  for (const auto& row : shape::SkinTable()) checked += form->Item(row.menuItem)->isChecked();
  EXPECT_EQ(checked, 1);
  EXPECT_TRUE(form->Item("MnuMini")->isChecked());

  // Not started at log-in: the desktop's own icon shows again.
  form->move(150, 90);
  form->Form_Unload();
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormFullClass48");
  EXPECT_EQ(app::Options().Text(Key::Left), "2250");
  EXPECT_EQ(app::Options().Text(Key::Height), "5085");
  EXPECT_EQ(session, std::vector<std::string>{"show"});
}

TEST_F(BinWindow, UnloadWithStartAtLogInKeepsTheIconHiddenAndEmptiesWhenAsked) {
  WriteFile(folder / "Options.ini",
            "[Settings]\r\nInicio Windows=Verdadero\r\nVaciar al salir=Verdadero\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  ASSERT_TRUE(form->Bin().moveToTrash({Trashed("y.txt", "y")}).ok);
  form->Timer1_Timer();
  form->Form_Unload();
  EXPECT_TRUE(shown.empty()) << "emptied at exit without a question";
  EXPECT_EQ(form->Bin().query().count, 0);
  EXPECT_TRUE(session.empty());
  // The state stored is the one the last poll saw.
  EXPECT_EQ(app::Options().Text(Key::Picture), "ShapedFormFull");
}

TEST_F(BinWindow, DropsOfLocalFilesGoToTheTrashAtOnce) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  QMimeData data;
  const auto a = Trashed("uno.txt", "1"), b = Trashed("dos.txt", "22"),
             c = Trashed("carpeta/tres.txt", "333");
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a.string())),
                QUrl::fromLocalFile(QString::fromStdString(b.string())),
                QUrl::fromLocalFile(QString::fromStdString((home / "carpeta").string()))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(form.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(form.get(), &drop);
  EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_FALSE(std::filesystem::exists(c));
  EXPECT_EQ(form->state.binCount, 3);
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultFull"));
  EXPECT_TRUE(shown.empty());

  QMimeData text;
  text.setText("hola");
  QDragEnterEvent refuse(QPoint(1, 1), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &refuse);
  EXPECT_FALSE(refuse.isAccepted());
  QMimeData remote;
  remote.setUrls({QUrl("https://example.org/a.txt")});
  QDragEnterEvent refuse2(QPoint(1, 1), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &refuse2);
  EXPECT_FALSE(refuse2.isAccepted());
}

TEST_F(BinWindow, AMoveThatCannotHappenIsReportedOnce) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  const auto kept = Trashed("sigue.txt", "s");
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
  // The poller window goes at a later turn of the event loop, so the keys it reads outlive the
  // test.
  static std::set<int> down;
  WriteFile(folder / "Options.ini", "[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" +
                                        DeadAddress() + "\r\n");
  auto form = Make(true, [] {
    struct HeldKeys : platform::KeyState {
      std::set<int>* down;
      explicit HeldKeys(std::set<int>* d) : down(d) {}
      std::int16_t AsyncKeyState(int vk) override { return down->count(vk) ? -32767 : 0; }
    };
    return std::make_unique<HeldKeys>(&down);
  });
  ASSERT_TRUE(form->Form_Load());
  form->Item("MnuMaps")->trigger();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("Problemas al conectar, compruebe su conexión a internet "
                                          "o vuélvalo a intentar."));
  EXPECT_EQ(shown[0].title, QStringLiteral("Error-Info WasteWell"));
  EXPECT_EQ(shown[0].style, platform::kExclamation);

  ASSERT_NE(form->HotKeyPoller(), nullptr);
  down = {bin::kVkAlt, 'W'};
  form->HotKeyPoller()->TimerTecla_Timer();
  EXPECT_EQ(shown.size(), 2u);
  down = {bin::kVkAlt, 'Q'};  // a letter of no tool does nothing
  form->HotKeyPoller()->TimerTecla_Timer();
  EXPECT_EQ(shown.size(), 2u);
  down = {bin::kVkAlt, bin::kVkA};
  form->HotKeyPoller()->TimerTecla_Timer();
  EXPECT_EQ(trashOpened, 1);
  down.clear();
}

TEST_F(BinWindow, HotKeysWithoutX11TellTheUserOnceAndTheToggleUnloadsThePoller) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuHotKeys_Click();  // no key source in this environment's services
  form->MnuHotKeys_Click();
  form->MnuHotKeys_Click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("X11"));

  std::set<int> down;
  auto withKeys = Make(true, [] {
    struct NoKeys : platform::KeyState {
      std::int16_t AsyncKeyState(int) override { return 0; }
    };
    return std::make_unique<NoKeys>();
  });
  ASSERT_TRUE(withKeys->Form_Load());
  ASSERT_NE(withKeys->HotKeyPoller(), nullptr) << "the option is on from the first form";
  EXPECT_TRUE(withKeys->HotKeyPoller()->TimerTecla->isActive());
  EXPECT_FALSE(withKeys->HotKeyPoller()->isVisible());
  withKeys->MnuHotKeys_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(withKeys->HotKeyPoller(), nullptr);
  EXPECT_FALSE(app::Options().IsOn(Key::HotKeys));
}

TEST_F(BinWindow, ReadMeAndWebPageGoToTheDesktopsOpener) {
  std::vector<QString> opened;
  platform::SetShellOpenHook([&](const QString& t) {
    opened.push_back(t);
    return true;
  });
  WriteFile(folder / "Options.ini", "[Servidores]\r\nWeb=http://127.0.0.1:9/\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuLeeme_Click();
  form->MnuWeb_Click();
  platform::SetShellOpenHook(nullptr);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QString::fromStdString((folder / "leame.txt").string()));
  EXPECT_EQ(opened[1], QStringLiteral("http://127.0.0.1:9/"));
}

TEST_F(BinWindow, SalirShowsTheIconAndClosesEveryOtherWindow) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  QPointer<QWidget> other = new QWidget();
  other->setAttribute(Qt::WA_DeleteOnClose);
  other->show();
  bin::FormStatus::LoadIfNeeded()->show();
  form->MnuExit_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(other.isNull());
  EXPECT_EQ(bin::FormStatus::Current(), nullptr);
  // Shown before the end, and once more because the program does not start at log-in.
  EXPECT_EQ(session, (std::vector<std::string>{"show", "show"}));
}

TEST_F(BinWindow, AToolCallingUnloadAllFormsEndsTheProgram) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  QPointer<QWidget> other = new QWidget();
  other->setAttribute(Qt::WA_DeleteOnClose);
  other->show();
  bool timedOut = false;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [&] {
    timedOut = true;
    QCoreApplication::exit(1);
  });
  limit.start(5000);
  QTimer::singleShot(0, form.get(), [&] { form->Item("MnuBuscaBin")->trigger(); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(timedOut) << "the event loop went on";
  EXPECT_FALSE(form->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(other.isNull());
  // The unload handler ran, without the steps of "Salir".
  EXPECT_EQ(app::Options().Text(Key::Left), "4830");
  EXPECT_EQ(session, std::vector<std::string>{"show"});
}
