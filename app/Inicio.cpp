#include "app/Inicio.h"

#include "bin/DesktopIcon.h"
#include "bin/ShapedForm.h"

namespace app {

bin::ShapedForm* Main(const std::filesystem::path& executable) {
  auto* form = new bin::ShapedForm(bin::BinServices::System(executable));
  form->setAttribute(Qt::WA_DeleteOnClose);
  if (!form->Form_Load()) {
    delete form;
    return nullptr;
  }
  bin::PrepareHiddenIconKeys(form->Reg1());
  bin::WriteHiddenIconValue(form->Reg1());
  bin::RefreshDesktop();
  return form;
}

}  // namespace app
