#include "platform/Sound.h"

#include <canberra.h>
#include <dlfcn.h>

#include <system_error>

namespace platform {

namespace {

// ALSA writes every failed device open to stderr, and on a machine without a sound card each
// play attempt fails that way. Its handler is set through the library canberra loads anyway,
// found at run time, so the program does not have to link ALSA itself.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaErrors() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
  if (!alsa) return;  // kept open: canberra's ALSA driver holds it for the whole run too
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
    set(QuietAlsa);
}

// One context for the whole run, made on first use: connecting to the sound server is the slow
// part, and the context plays in the background. It is never destroyed, so that no sound still
// playing at exit is torn down under the driver's thread.
ca_context* Context() {
  static ca_context* const context = [] {
    SilenceAlsaErrors();
    ca_context* made = nullptr;
    if (ca_context_create(&made) != CA_SUCCESS) return static_cast<ca_context*>(nullptr);
    ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "WasteWell", CA_PROP_APPLICATION_ID,
                            "org.wastewell.WasteWell", nullptr);
    return made;
  }();
  return context;
}

}  // namespace

void PlayWaveFile(const std::filesystem::path& file) {
  ca_context* context = Context();
  if (!context) return;
  // Without a sound device both calls fail; there is nobody to tell, so that stays silent.
  std::error_code ec;
  int result = CA_ERROR_NOTFOUND;
  if (std::filesystem::is_regular_file(file, ec))
    result = ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, file.c_str(),
                             CA_PROP_EVENT_DESCRIPTION, "Papelera vaciada", nullptr);
  if (result != CA_SUCCESS)
    ca_context_play(context, 0, CA_PROP_EVENT_ID, "trash-empty", CA_PROP_EVENT_DESCRIPTION,
                    "Papelera vaciada", nullptr);
}

}  // namespace platform
