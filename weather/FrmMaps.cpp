#include "weather/FrmMaps.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "tools/Access.h"
#include "weather/OpenMeteo.h"
#include "weather/WeatherTables.h"
#include "weather/WeatherText.h"

namespace weather {
namespace {

using settings::Key;

QString Read(Key key) { return QString::fromStdString(settings::Options().Text(key)); }
void Write(Key key, const QString& value) { settings::Options().SetText(key, value.toStdString()); }

// Two options in a frame of their own.
QGroupBox* Pair(const QString& title, QRadioButton*& first, const char* firstName,
                const QString& firstText, QRadioButton*& second, const char* secondName,
                const QString& secondText, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  first = new QRadioButton(firstText, box);
  first->setObjectName(firstName);
  second = new QRadioButton(secondText, box);
  second->setObjectName(secondName);
  auto* column = new QVBoxLayout(box);
  column->addWidget(first);
  column->addWidget(second);
  return box;
}

}  // namespace

FrmMaps::FrmMaps(QWidget* parent) : OneWindowOf(parent) {
  setObjectName("FrmMaps");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Mapas y ciudades"));
  setWindowFlag(Qt::WindowStaysOnTopHint);

  ComboZonas = new QComboBox(this);
  ComboZonas->setObjectName("ComboZonas");
  ComboZonas->addItems(RegionNames());
  ComboZonas->setCurrentIndex(-1);
  TextPais = new QLineEdit(this);
  TextPais->setObjectName("TextPais");
  TextCity = new QLineEdit(this);
  TextCity->setObjectName("TextCity");
  CmdOK = new QPushButton(QStringLiteral("Buscar"), this);
  CmdOK->setObjectName("CmdOK");
  CmdOK->setAutoDefault(false);
  ListRes = new QListWidget(this);
  ListRes->setObjectName("ListRes");
  // Five places to choose from without scrolling.
  ListRes->setMinimumHeight(5 * ListRes->fontMetrics().lineSpacing() + 2 * ListRes->frameWidth() +
                            10);
  TextSource = new QPlainTextEdit(this);
  TextSource->setObjectName("TextSource");
  TextSource->setEnabled(false);
  TextSource->setMaximumHeight(60);

  QGroupBox* units =
      Pair(QStringLiteral("Sistema"), OptionMet, "OptionMet", QStringLiteral("Métrico"), OptionIng,
           "OptionIng", QStringLiteral("Inglés"), this);
  QGroupBox* size = Pair(QStringLiteral("Tamaño"), OptionGra, "OptionGra", QStringLiteral("Grande"),
                         OptionPeq, "OptionPeq", QStringLiteral("Pequeño"), this);
  QGroupBox* corner = Pair(QStringLiteral("Posición datos"), OptionArIz, "OptionArIz",
                           QStringLiteral("Arriba Izquierda"), OptionArDer, "OptionArDer",
                           QStringLiteral("Arriba Derecha"), this);
  QGroupBox* background = Pair(QStringLiteral("Color fondo datos"), OptionRice, "OptionRice",
                               QStringLiteral("Papel arroz"), OptionEntrever, "OptionEntrever",
                               QStringLiteral("Entreverado"), this);

  auto* source = new QGroupBox(QStringLiteral("Método datos"), this);
  OptOpenWeatherMap = new QRadioButton(QStringLiteral("Open Weather Map"), source);
  OptOpenWeatherMap->setObjectName("OptOpenWeatherMap");
  OptYahoo = new QRadioButton(QStringLiteral("Yahoo"), source);
  OptYahoo->setObjectName("OptYahoo");
  OptApixu = new QRadioButton(QStringLiteral("Apixu"), source);
  OptApixu->setObjectName("OptApixu");
  OptAccuWeather = new QRadioButton(QStringLiteral("AccuWeather"), source);
  OptAccuWeather->setObjectName("OptAccuWeather");
  OptOpenMeteo = new QRadioButton(QStringLiteral("Open-Meteo"), source);
  OptOpenMeteo->setObjectName("OptOpenMeteo");
  // These services answer no more; a stored choice still shows.
  OptYahoo->setEnabled(false);
  OptApixu->setEnabled(false);
  OptAccuWeather->setEnabled(false);
  auto* sourceColumn = new QVBoxLayout(source);
  for (QRadioButton* b : {OptOpenWeatherMap, OptYahoo, OptApixu, OptAccuWeather, OptOpenMeteo})
    sourceColumn->addWidget(b);

  ComboLang = new QComboBox(this);
  ComboLang->setObjectName("ComboLang");
  ComboLang->addItems(LanguageNames());
  ComboLang->setCurrentIndex(-1);
  CheckAlwaysUp = new QCheckBox(QStringLiteral("Ventana siempre arriba"), this);
  CheckAlwaysUp->setObjectName("CheckAlwaysUp");
  CmdExit = new QPushButton(QStringLiteral("Aceptar"), this);
  CmdExit->setObjectName("CmdExit");
  CmdExit->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Mapa:"), this), 0, 0);
  grid->addWidget(ComboZonas, 0, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("País:"), this), 1, 0);
  grid->addWidget(TextPais, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Ciudad:"), this), 2, 0);
  grid->addWidget(TextCity, 2, 1);
  grid->addWidget(CmdOK, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Seleccionar:"), this), 3, 0);
  grid->addWidget(ListRes, 3, 1, 1, 2);
  grid->addWidget(TextSource, 4, 0, 1, 3);
  grid->addWidget(units, 5, 0);
  grid->addWidget(size, 5, 1);
  grid->addWidget(corner, 5, 2);
  grid->addWidget(background, 6, 0);
  grid->addWidget(source, 6, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("More Info Language/Lenguage:"), this), 7, 0);
  grid->addWidget(ComboLang, 7, 1, 1, 2);
  grid->addWidget(CheckAlwaysUp, 8, 0, 1, 2);
  grid->addWidget(CmdExit, 8, 2);
  tools::Name(ComboZonas, QStringLiteral("Mapa"));
  tools::Name(TextPais, QStringLiteral("País"));
  tools::Name(TextCity, QStringLiteral("Ciudad"));
  tools::Name(ListRes, QStringLiteral("Ciudades encontradas"));
  tools::Name(TextSource, QStringLiteral("Fuente de los datos"));
  tools::Name(ComboLang, QStringLiteral("Idioma de More Info"));
  tools::WindowKeys(this, [this] { close(); });

  ConnectHandlers();
}

FrmMaps::~FrmMaps() { fetch_.Cancel(); }

FrmMaps* FrmMaps::Open(QWidget* parent) {
  return OpenOne([parent] { return new FrmMaps(parent); });
}

void FrmMaps::ConnectHandlers() {
  // Restoring a choice at loading runs these too, so the restored choices,
  // defaults included, are written back.
  connect(ComboZonas, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) Write(Key::Maps, ComboZonas->itemText(i));
  });
  connect(ComboLang, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) Write(Key::Language, ComboLang->itemText(i));
  });
  auto on = [this](QRadioButton* b, std::function<void()> act) {
    connect(b, &QRadioButton::toggled, this, [act](bool checked) {
      if (checked) act();
    });
  };
  on(OptionMet, [this] {
    Write(Key::Units, QStringLiteral("Métrico"));
    unitSystem_ = QStringLiteral("Métrico");
  });
  on(OptionIng, [this] {
    Write(Key::Units, QStringLiteral("Inglés"));
    unitSystem_ = QStringLiteral("Inglés");
  });
  on(OptionGra, [] { Write(Key::Size, QStringLiteral("Grande")); });
  on(OptionPeq, [] { Write(Key::Size, QStringLiteral("Pequeño")); });
  // The panel reads these when it loads.
  on(OptionArIz, [] { Write(Key::PanelCorner, "arriba izq"); });
  on(OptionArDer, [] { Write(Key::PanelCorner, "arriba der"); });
  on(OptionRice, [] { Write(Key::PanelBackground, "arroz"); });
  on(OptionEntrever, [] { Write(Key::PanelBackground, "entreverado"); });
  // The retired services' options have no handler: they store nothing.
  for (const auto& [button, name] : SourceOptions())
    if (SourceNamed(name)) on(button, [name = name] { Write(Key::DataSource, name); });
  connect(ListRes, &QListWidget::currentRowChanged, this, &FrmMaps::ChoosePlace);
  connect(CheckAlwaysUp, &QCheckBox::toggled, this, [](bool ticked) {
    Write(Key::AlwaysUp,
          ticked ? QStringLiteral("siempre arriba") : QStringLiteral("va a ser que no"));
  });
  connect(CmdOK, &QPushButton::clicked, this, &FrmMaps::CmdOK_Click);
  connect(CmdExit, &QPushButton::clicked, this, &FrmMaps::CmdExit_Click);
}

void FrmMaps::Form_Load() {
  setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
  const QString maps = Read(Key::Maps);
  if (maps.isEmpty()) {
    ComboZonas->setCurrentIndex(13);
  } else if (const int row = RegionIndex(maps); row >= 0) {
    ComboZonas->setCurrentIndex(row);
  }

  const QString language = Read(Key::Language);
  // As loaded: a language chosen now counts from the next opening.
  languageCode_ = LanguageCodeOf(language);
  if (language.isEmpty()) {
    ComboLang->setCurrentIndex(27);
  } else if (const int row = LanguageNames().indexOf(language); row >= 0) {
    ComboLang->setCurrentIndex(row);
  }

  const QString units = Read(Key::Units);
  (units.isEmpty() || units == QStringLiteral("Métrico") ? OptionMet : OptionIng)->setChecked(true);
  const QString corner = Read(Key::PanelCorner);
  (corner.isEmpty() || corner == "arriba izq" ? OptionArIz : OptionArDer)->setChecked(true);
  const QString size = Read(Key::Size);
  (size.isEmpty() || size == "Grande" ? OptionGra : OptionPeq)->setChecked(true);
  const QString background = Read(Key::PanelBackground);
  (background.isEmpty() || background == "arroz" ? OptionRice : OptionEntrever)->setChecked(true);

  if (const QString country = Read(Key::Country); !country.isEmpty()) TextPais->setText(country);
  if (const QString city = Read(Key::City); !city.isEmpty()) TextCity->setText(city);

  QString source = Read(Key::DataSource);
  if (source.isEmpty()) source = QStringLiteral("OpenWeatherMap");
  for (const auto& [button, name] : SourceOptions())
    if (name == source) button->setChecked(true);

  CheckAlwaysUp->setChecked(Read(Key::AlwaysUp) == QStringLiteral("siempre arriba"));
  // Top-most comes with the window flag set at construction.
  show();
}

// The message over the window, then the focus on the field to correct.
void FrmMaps::Refuse(const QString& text, QLineEdit* field) {
  platform::MsgBoxThen(text, platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
                       this, [this, field](int) {
                         if (!Unloaded()) field->setFocus();
                       });
}

void FrmMaps::CmdOK_Click() {
  if (fetch_.Running()) return;  // one look-up at a time
  places_.clear();
  ListRes->clear();
  const QString country = TextPais->text();
  if (country.isEmpty()) {
    Refuse(QStringLiteral("Debe poner el país en formato internacional (inglés) o con el código "
                          "internacional del país (con dos letras)"),
           TextPais);
    return;
  }
  if (country == "USA" || country == "US" || country == "EE.UU") {
    Refuse(QStringLiteral(
               "Debe poner el estado en su formato abreviado (por ejemplo California = CA)"),
           TextPais);
    return;
  }
  // Country and city are stored with the place the look-up finds, never alone.
  const QString city = TextCity->text();
  if (city.isEmpty()) {
    Refuse(QStringLiteral("Debe poner una ciudad"), TextCity);
    return;
  }

  // As asked: the choice may change meanwhile.
  const Source* source = nullptr;
  for (const auto& [button, name] : SourceOptions())
    if (button->isChecked()) source = SourceNamed(name);
  if (!source) return;  // a retired service or none: nothing to ask
  const LookUpQuery query{city, country, languageCode_, unitSystem_ == QStringLiteral("Métrico")};

  CmdOK->setEnabled(false);
  TextSource->clear();
  // The window's own fetch: closing cancels it, and this never runs then.
  fetch_.Get(source->LookUpAddress(query),
             [this, source, query](FetchResult result, const QByteArray& body) {
               CmdOK->setEnabled(true);
               if (result != FetchResult::Ok) return;  // silently, nothing listed
               TextSource->setPlainText(QString::fromUtf8(body));
               ListPlaces(source->Places(body, query));
             });
}

QList<QPair<QRadioButton*, QString>> FrmMaps::SourceOptions() const {
  return {{OptOpenWeatherMap, QStringLiteral("OpenWeatherMap")},
          {OptYahoo, QStringLiteral("Yahoo")},
          {OptApixu, QStringLiteral("Apixu")},
          {OptAccuWeather, QStringLiteral("AccuWeather")},
          {OptOpenMeteo, kOpenMeteo}};
}

void FrmMaps::ListPlaces(const std::optional<FoundPlaces>& found) {
  if (!found) return;
  if (found->cityUnknown) {
    Refuse(found->error, TextCity);
    return;
  }
  if (!found->error.isEmpty()) {
    platform::MsgBoxThen(found->error, platform::kOkOnly | platform::kInformation,
                         QStringLiteral("Descripción Error!"), this, nullptr);
    return;
  }
  places_ = found->places;
  const QSignalBlocker quiet(ListRes);
  for (const FoundPlace& p : places_) ListRes->addItem(p.line);
  ListRes->setCurrentRow(found->chosen);
  ChoosePlace(found->chosen);
}

void FrmMaps::ChoosePlace(int row) {
  if (row < 0 || row >= places_.size()) return;
  const FoundPlace& p = places_.at(row);
  StorePlace(p.city, p.country, p.code, p.latitude, p.longitude);
}

void FrmMaps::StorePlace(const QString& city, const QString& country, const QString& code,
                         const QString& latitude, const QString& longitude) {
  // One place, whole: the panel reads names, code and position as one.
  const QString before = Read(Key::CityCode);
  Write(Key::City, city);
  Write(Key::Country, country);
  Write(Key::CityCode, code);
  Write(Key::Latitude, latitude);
  Write(Key::Longitude, longitude);
  // The forecast link belongs to the city it was taken for.
  if (before != code) Write(Key::OldCityCode, QString());
}

void FrmMaps::CmdExit_Click() { close(); }

void FrmMaps::reject() { close(); }

// The place was stored when it was chosen.
void FrmMaps::Form_Unload() { fetch_.Cancel(); }

}  // namespace weather
