#include <QApplication>

#include "app/Inicio.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  if (!app::Main()) return 0;
  return qapp.exec();
}
