// Qt's own dialogs speak the program's language.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>

#include "app/Inicio.h"
#include "support/QtApp.h"

TEST(QtTranslations, TheFolderDialogSpeaksSpanish) {
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  testsupport::App();
  ASSERT_TRUE(app::LoadQtTranslations()) << "qtbase_es.qm is missing";
  // Qt's own dialog: the one shown wherever the desktop offers none.
  QFileDialog dialog(nullptr, QStringLiteral("Carpeta"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  QStringList texts;
  for (QLabel* l : dialog.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains("Ver en:")) << texts.join('|').toStdString();  // "Look in:"
}
