#pragma once
// The weather settings: the satellite region, the language, the units, the
// data panel's size, corner and background, the data source, keep-on-top,
// and the user's country and city with the city look-up ("Buscar").
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "tools/OneWindow.h"
#include "weather/WeatherDownload.h"
#include "weather/sources/Source.h"

namespace weather {

class FrmMaps : public tools::OneWindowOf<FrmMaps, QDialog> {
  Q_OBJECT
 public:
  explicit FrmMaps(QWidget* parent = nullptr);
  ~FrmMaps() override;

  // Opens the window modally over parent (the map viewer) and returns at
  // once; an open one is only brought forward.
  static FrmMaps* Open(QWidget* parent);

  void Form_Load() override;
  void CmdOK_Click();
  void CmdExit_Click();

  QComboBox* ComboZonas = nullptr;
  QLineEdit* TextPais = nullptr;
  QLineEdit* TextCity = nullptr;
  QPushButton* CmdOK = nullptr;
  QListWidget* ListRes = nullptr;
  QPlainTextEdit* TextSource = nullptr;
  QRadioButton *OptionMet = nullptr, *OptionIng = nullptr;
  QRadioButton *OptionGra = nullptr, *OptionPeq = nullptr;
  QRadioButton *OptionArIz = nullptr, *OptionArDer = nullptr;
  QRadioButton *OptionRice = nullptr, *OptionEntrever = nullptr;
  QRadioButton *OptOpenWeatherMap = nullptr, *OptYahoo = nullptr, *OptApixu = nullptr,
               *OptAccuWeather = nullptr;
  QRadioButton* OptOpenMeteo = nullptr;
  QComboBox* ComboLang = nullptr;
  QCheckBox* CheckAlwaysUp = nullptr;
  QPushButton* CmdExit = nullptr;

 protected:
  void reject() override;

 private:
  void Form_Unload() override;
  void ConnectHandlers();
  void Refuse(const QString& text, QLineEdit* field);
  // Each data-source option with the name "MetodoDatos" stores for it.
  QList<QPair<QRadioButton*, QString>> SourceOptions() const;
  // Lists what a look-up found and stores the place it chose.
  void ListPlaces(const std::optional<FoundPlaces>& found);
  // Stores the listed place of row as the user's city.
  void ChoosePlace(int row);
  // The user's place: names, code and position, all of them at once.
  void StorePlace(const QString& city, const QString& country, const QString& code,
                  const QString& latitude, const QString& longitude);
  QList<FoundPlace> places_;  // the listed places, in list order
  Fetch fetch_;
  QString unitSystem_;    // "Métrico" or "Inglés": the look-up's units
  QString languageCode_;  // of the language stored when the window opened
};

}  // namespace weather
