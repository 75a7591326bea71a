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

#include "app/ModIni.h"
#include "app/ModuleVars.h"
#include "app/ProgramFolder.h"
#include "bin/FormStatus.h"
#include "bin/HotKeys.h"
#include "bin/ShapedForm.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/linux/FreedesktopTrash.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"
#include "support/TempDir.h"

using bin::ShapedForm;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

QApplication* App() {
  static int argc = 1;
  static char name[] = "WasteWell";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// Records what the program asks of the registry, and what the settings file
// held at that moment.
struct RegistryLog : platform::RegistryComponent {
  struct Call {
    std::string op, keyPath, valueName, data, optionsAtCall;
  };
  std::vector<Call>* calls;
  std::string optionsFile;
  RegistryLog(std::vector<Call>* c, std::string f) : calls(c), optionsFile(std::move(f)) {}
  bool Record(const char* op) {
    calls->push_back({op, keyPath, valueName, data, ReadFile(optionsFile)});
    return true;
  }
  bool CreateKey() override { return Record("create"); }
  bool WriteValue() override { return Record("write"); }
  bool DeleteValue() override { return Record("delete"); }
};

class BinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    app::SetProgramFolder(folder.path());
    app::ExitRequested = app::EmptyOnExit = app::HotKeysOn = false;
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
    s.registry = std::make_unique<RegistryLog>(&registry, app::OptionsFile());
    s.playWave = [this](const std::filesystem::path& f) { sounds.push_back(f); };
    s.isOnlyInstance = [onlyInstance] { return onlyInstance; };
    s.osVersionText = [] { return std::string("610"); };
    s.openTrashFolder = [this] { ++trashOpened; };
    s.makeKeyState = std::move(keys);
    auto form = std::make_unique<ShapedForm>(std::move(s));
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
  std::vector<RegistryLog::Call> registry;
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

}  // namespace

TEST_F(BinWindow, FreshFolderStartsWithEverythingOffAndTheFullMenu) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(app::IniRead("Settings", "Versión OS", app::OptionsFile()), "610");
  EXPECT_NE(Options().find("Versi\xF3n OS=610"), std::string::npos) << "Windows-1252 on disk";
  EXPECT_TRUE(form->Item("MnuDefault")->isChecked());
  for (const char* name :
       {"MnuNoconfirm", "MnuNobar", "MnuNosound", "MnuIniwin", "MnuHotKeys", "MnuNomove",
        "MnuVacialsalir", "MnuModern", "MnuSpace", "MnuMini", "MnuCute"})
    EXPECT_FALSE(form->Item(name)->isChecked()) << name;
  EXPECT_TRUE(form->MoveAllowed);
  EXPECT_FALSE(app::EmptyOnExit);
  ASSERT_FALSE(form->CurrentPicture.isNull());
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultEmpty"));
  // Only the picture's own pixels are left of the window.
  EXPECT_FALSE(shape::clsTransForm::HasEmptyOutline(*form));
  EXPECT_GT(form->mask().rectCount(), 1);
  EXPECT_LE(form->mask().boundingRect().width(), 64);

  EXPECT_EQ(
      Captions(form->MnuBin),
      (std::vector<std::string>{"Abrir Papelera -- Alt + a", "Vaciar Papelera -- Alt + v", "-",
                                "Utilidades", "Opciones", "Cambiar imagen", "Ayuda", "Salir"}));
  EXPECT_EQ(form->MnuBin->defaultAction(), form->Item("MnuOpen"));
  EXPECT_TRUE(form->Item("MnuOpen")->font().bold());
  EXPECT_EQ(Captions(form->Item("MnuTools")->menu()),
            (std::vector<std::string>{
                "Vaciar Carpeta Temporal -- Alt + t", "Vaciar/Crear/Eliminar -- Alt + x",
                "Diccionario de la RAE -- Alt + d", "SnapShot de Pantalla -- Alt + s",
                "Mapa Satélite Meteorológico -- Alt + w"}));
  EXPECT_EQ(Captions(form->Item("MnuSettings")->menu()),
            (std::vector<std::string>{"Sin confirmación", "Sin barra de progreso", "Sin sonido",
                                      "Iniciar con Windows", "Habilitar Hotkeys", "Fijar posición",
                                      "Vaciar al salir"}));
  EXPECT_EQ(Captions(form->Item("MnuImage")->menu()),
            (std::vector<std::string>{"Default", "Modern", "Space", "Metal", "Cute"}));
  EXPECT_EQ(Captions(form->Item("MnuAbout")->menu()),
            (std::vector<std::string>{"Acerca de WasteWell", "Buscar actualizaciones",
                                      "Enviar comentarios", "Visitar la web", "Léame"}));
  // Windows that do not exist yet have their items disabled.
  EXPECT_FALSE(form->Item("MnuTemp")->isEnabled());
  EXPECT_FALSE(form->Item("MnuMaps")->isEnabled());
  EXPECT_TRUE(form->Item("MnuAcerca")->isEnabled());
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
            "Vaciar al salir=Verdadero\r\nNoMovePos=Verdadero\r\nInicio Windows=Falso\r\n"
            "[Imagenes]\r\nImagen=ShapedFormCuteFull\r\n"
            "[Posici\xF3n]\r\nWasteWell_Left=100\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_TRUE(form->Item("MnuNoconfirm")->isChecked());
  EXPECT_TRUE(form->Item("MnuNobar")->isChecked());
  EXPECT_FALSE(form->Item("MnuNosound")->isChecked());
  EXPECT_FALSE(form->Item("MnuIniwin")->isChecked());
  EXPECT_TRUE(app::EmptyOnExit);
  EXPECT_FALSE(form->MoveAllowed);
  EXPECT_TRUE(form->Item("MnuCute")->isChecked());
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgCuteFull"));
  // Left 100 twips with no size: placed, but the built-in size is kept.
  EXPECT_EQ(form->geometry(), QRect(7, 0, 372, 339));
  EXPECT_EQ(form->EmptyFlags(), 3);

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

TEST_F(BinWindow, TogglesWriteTheirKeyBeforeTheSideEffect) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuIniwin_Click();
  ASSERT_EQ(registry.size(), 1u);
  EXPECT_EQ(registry[0].op, "write");
  EXPECT_EQ(registry[0].keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(registry[0].valueName, "WasteWell");
  EXPECT_NE(registry[0].optionsAtCall.find("Inicio Windows=Verdadero"), std::string::npos);
  form->MnuIniwin_Click();
  ASSERT_EQ(registry.size(), 2u);
  EXPECT_EQ(registry[1].op, "delete");
  EXPECT_NE(registry[1].optionsAtCall.find("Inicio Windows=Falso"), std::string::npos);

  form->MnuNomove_Click();
  EXPECT_FALSE(form->MoveAllowed);
  EXPECT_EQ(app::IniRead("Settings", "NoMovePos", app::OptionsFile()), "Verdadero");
  form->MnuVacialsalir_Click();
  EXPECT_TRUE(app::EmptyOnExit);
  form->MnuVacialsalir_Click();
  EXPECT_FALSE(app::EmptyOnExit);
  EXPECT_EQ(app::IniRead("Settings", "Vaciar al salir", app::OptionsFile()), "Falso");

  EXPECT_EQ(form->EmptyFlags(), 0);
  form->MnuNosound_Click();
  EXPECT_EQ(form->EmptyFlags(), 0);
  form->MnuNoconfirm_Click();
  EXPECT_EQ(form->EmptyFlags(), 1);
  form->MnuNobar_Click();
  EXPECT_EQ(form->EmptyFlags(), 3);
  EXPECT_EQ(app::IniRead("Settings", "Sin barra", app::OptionsFile()), "Verdadero");
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
  EXPECT_EQ(form->state.binCount, 2);
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgDefaultFull"));

  // Cancelled: nothing goes, and no sound at a later emptying by someone else.
  answer = platform::kAnswerCancel;
  form->form_DblClick();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].style, platform::kOkCancel | platform::kQuestion);
  EXPECT_TRUE(shown[0].text.contains("2")) << shown[0].text.toStdString();
  EXPECT_EQ(bin.query().count, 2);
  EXPECT_FALSE(form->state.selfEmptied);
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
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0], folder / "Reciclaje de Windows XP.wav");
  form->Timer1_Timer();
  EXPECT_EQ(sounds.size(), 1u);
}

TEST_F(BinWindow, SkinSwitchShowsTheBinsStateButStoresTheEmptyValue) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  ASSERT_TRUE(form->Bin().moveToTrash({Trashed("x.bin", std::string(5000, 'x'))}).ok);
  form->Timer1_Timer();
  form->SwitchSkin(shape::Skin::Metal);
  EXPECT_EQ(form->CurrentPicture, shape::SkinPicture("ImgMiniFull"));
  EXPECT_EQ(app::IniRead("Imagenes", "Imagen", app::OptionsFile()), "ShapedFormEmptyClass48");
  int checked = 0;
  for (const auto& row : shape::SkinTable()) checked += form->Item(row.menuItem)->isChecked();
  EXPECT_EQ(checked, 1);
  EXPECT_TRUE(form->Item("MnuMini")->isChecked());

  // The exit step stores the state; the hidden icon shows again unless the
  // program starts at log-in.
  form->move(150, 90);
  form->Form_Unload();
  EXPECT_EQ(app::IniRead("Imagenes", "Imagen", app::OptionsFile()), "ShapedFormFullClass48");
  EXPECT_EQ(app::IniRead("Posición", "WasteWell_Left", app::OptionsFile()), "2250");
  EXPECT_EQ(app::IniRead("Posición", "WasteWell_Top", app::OptionsFile()), "1350");
  EXPECT_EQ(app::IniRead("Posición", "WasteWell_Width", app::OptionsFile()), "5580");
  EXPECT_EQ(app::IniRead("Posición", "WasteWell_Height", app::OptionsFile()), "5085");
  ASSERT_EQ(registry.size(), 2u);
  for (const auto& c : registry) {
    EXPECT_EQ(c.op, "write");
    EXPECT_EQ(c.data, "0");
    EXPECT_EQ(c.valueName, "{645FF040-5081-101B-9F08-00AA002F954E}");
  }
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
  EXPECT_TRUE(registry.empty());
  // The state stored is the one the last poll saw.
  EXPECT_EQ(app::IniRead("Imagenes", "Imagen", app::OptionsFile()), "ShapedFormFull");
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
  EXPECT_GE(form->state.binSize, 6);
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

TEST_F(BinWindow, VersionBoxBlocksTheWindowWhileOpen) {
  EXPECT_EQ(ShapedForm::AboutText(),
            QStringLiteral("WasteWell v5.8.8\r\nPapelera para sustituir la de Windows ;-)      "
                           "\r\n\r\n"));
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  formDuringBox = form.get();
  form->MnuAcerca_Click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, QStringLiteral("Acerca de..."));
  EXPECT_EQ(shown[0].style, platform::kInformation);
  EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("WasteWell v5.8.8\n")));
  EXPECT_FALSE(enabledDuringBox);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(BinWindow, MapsCheckFailsWithTheMessageWhenNothingListens) {
  // A port that nothing listens on: bind one and close it again.
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  close(s);
  WriteFile(folder / "Options.ini",
            "[Servidores]\r\nConexion=127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "\r\n");
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuMaps_Click();
  EXPECT_EQ(app::ConnCheckAddress, "https://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("Problemas al conectar, compruebe su conexión a internet "
                                          "o vuélvalo a intentar."));
  EXPECT_EQ(shown[0].title, QStringLiteral("Error-Info WasteWell"));
  EXPECT_EQ(shown[0].style, platform::kExclamation);
}

TEST_F(BinWindow, StatusPopUpCountsItsTicksAcrossOpenings) {
  bin::StatusTicks = 0;
  auto* status = bin::FormStatus::LoadIfNeeded();
  status->Timer1->stop();
  status->show();
  for (int i = 0; i < 3; ++i) status->Timer1_Timer();
  EXPECT_TRUE(status->isVisible());
  status->close();  // the pointer touched it
  EXPECT_EQ(bin::FormStatus::Current(), nullptr);
  auto* again = bin::FormStatus::LoadIfNeeded();
  again->Timer1->stop();
  again->show();
  again->Timer1_Timer();
  EXPECT_NE(bin::FormStatus::Current(), nullptr);
  again->Timer1_Timer();  // the fifth tick
  EXPECT_EQ(bin::FormStatus::Current(), nullptr);
  EXPECT_EQ(bin::StatusTicks, 0);
}

TEST_F(BinWindow, HotKeysWithoutX11TellTheUserOnce) {
  auto form = Make();
  ASSERT_TRUE(form->Form_Load());
  form->MnuHotKeys_Click();  // no key source in this environment's services
  form->MnuHotKeys_Click();
  form->MnuHotKeys_Click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text.contains("X11"));
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", app::OptionsFile()), "Verdadero");
}

namespace {
// Keys held down as a test says; there is no keyboard to press here.
struct HeldKeys : platform::KeyState {
  std::set<int>* down;
  explicit HeldKeys(std::set<int>* d) : down(d) {}
  std::int16_t AsyncKeyState(int vk) override { return down->count(vk) ? -32767 : 0; }
};
}  // namespace

TEST_F(BinWindow, HotKeyToggleLoadsAndUnloadsThePoller) {
  std::set<int> down;
  auto form = Make(true, [&down] { return std::make_unique<HeldKeys>(&down); });
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(form->HotKeyPoller(), nullptr);

  form->MnuHotKeys_Click();
  ASSERT_NE(form->HotKeyPoller(), nullptr);
  EXPECT_TRUE(app::HotKeysOn);
  EXPECT_TRUE(form->HotKeyPoller()->TimerTecla->isActive());
  EXPECT_FALSE(form->HotKeyPoller()->isVisible());

  down = {bin::kVkAlt, bin::kVkA};
  form->HotKeyPoller()->TimerTecla_Timer();
  form->HotKeyPoller()->TimerTecla_Timer();
  EXPECT_EQ(trashOpened, 1);

  form->MnuHotKeys_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form->HotKeyPoller(), nullptr);
  EXPECT_FALSE(app::HotKeysOn);
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", app::OptionsFile()), "Falso");
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
  EXPECT_TRUE(app::ExitRequested);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(other.isNull());
  EXPECT_EQ(bin::FormStatus::Current(), nullptr);
  // "0" written before the end, and once more because the program does not
  // start at log-in.
  int zeros = 0;
  for (const auto& c : registry) zeros += c.op == "write" && c.data == "0";
  EXPECT_EQ(zeros, 4);
  app::ExitRequested = false;
}
