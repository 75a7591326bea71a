#include "platform/WebBrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QOpenGLContext>
#include <QPointer>
#include <QTimer>
#include <utility>

#include "platform/Shell.h"

#if defined(__unix__)
#include <unistd.h>
#endif

// Exported by Qt GUI but declared only in its private headers.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace platform {
namespace {

int& StallMs() {
  static int ms = 30000;
  return ms;
}

WebBrowserFactory& Factory() {
  static WebBrowserFactory factory;
  return factory;
}

bool& Loaded() {
  static bool loaded = false;
  return loaded;
}

WwCreateWebBrowserFn LoadModule() {
#if defined(__unix__)
  // The engine's sandbox refuses to start for root; only then is it turned off.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
  // The engine draws through a context shared with the application's. Made
  // here rather than at start-up (Qt::AA_ShareOpenGLContexts before the
  // application object), so that the bin alone loads no GL driver.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (!QOpenGLContext::globalShareContext()) {
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
  }
  const QString bin = QCoreApplication::applicationDirPath();
  QStringList candidates{bin + "/" WW_WEB_MODULE_NAME,
                         bin + "/" WW_WEB_MODULE_FROM_BIN "/" WW_WEB_MODULE_NAME};
#ifdef WW_WEB_MODULE_BUILD_PATH
  candidates << QStringLiteral(WW_WEB_MODULE_BUILD_PATH);
#endif
  for (const QString& file : candidates) {
    if (!QFile::exists(file)) continue;
    QLibrary lib(file);
    if (auto fn =
            reinterpret_cast<WwCreateWebBrowserFn>(lib.resolve(WW_CREATE_WEB_BROWSER_SYMBOL))) {
      Loaded() = true;
      return fn;  // stays loaded for the rest of the run
    }
  }
  return nullptr;
}

}  // namespace

int StallTimeoutMs() { return StallMs(); }
void SetStallTimeoutMs(int ms) { StallMs() = ms; }
bool WebEngineLoaded() { return Loaded(); }
void SetWebBrowserFactory(WebBrowserFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<WebBrowser> CreateWebBrowser(QWidget* parent) {
  if (Factory()) return Factory()(parent);
  static const WwCreateWebBrowserFn create = LoadModule();
  std::unique_ptr<WebBrowser> browser;
  if (create) browser.reset(create(parent));
  if (!browser) browser = std::make_unique<RecordingWebBrowser>(parent);
  browser->stallTimeoutMs = StallTimeoutMs();
  browser->OpenOutside = [](const QUrl& url) {
    return ShellOpen(url.isLocalFile() ? url.toLocalFile() : url.toString());
  };
  return browser;
}

// ---------------------------------------------------------------- the plain browser

class RecordingWebBrowser::Impl {
 public:
  struct Then {
    QPointer<QObject> context;
    std::function<void(bool)> then;
  };
  QPointer<QLabel> label;
  std::vector<Then> thens;
  QTimer* poll = nullptr;  // sees busy drop, which tests set by hand
  QTimer* stall = nullptr;

  // Each continuation at the next turn of the loop, bound to its context.
  void Flush(bool loaded) {
    poll->stop();
    stall->stop();
    for (Then& t : std::exchange(thens, {}))
      if (t.context)
        QTimer::singleShot(0, t.context.data(),
                           [then = std::move(t.then), loaded] { then(loaded); });
  }
};

RecordingWebBrowser::RecordingWebBrowser(QWidget* parent) : impl_(std::make_unique<Impl>()) {
  impl_->label = new QLabel(parent);
  impl_->label->setObjectName("WebBrowserPlain");
  impl_->label->setAlignment(Qt::AlignCenter);
  impl_->label->setWordWrap(true);
  impl_->label->setText(QStringLiteral("El navegador integrado no está disponible."));
  impl_->poll = new QTimer(impl_->label);
  impl_->poll->setInterval(10);
  QObject::connect(impl_->poll, &QTimer::timeout, impl_->label, [this] {
    if (!busy) impl_->Flush(true);
  });
  impl_->stall = new QTimer(impl_->label);
  impl_->stall->setSingleShot(true);
  QObject::connect(impl_->stall, &QTimer::timeout, impl_->label, [this] { Stop(); });
}

RecordingWebBrowser::~RecordingWebBrowser() { delete impl_->label.data(); }

QWidget* RecordingWebBrowser::Widget() { return impl_->label; }

void RecordingWebBrowser::Navigate(const QString& address, int flags) {
  navigations.push_back({address, flags});
  if (impl_->label)
    impl_->label->setText(QStringLiteral("El navegador integrado no está disponible.\n") +
                          address.left(200));
}

void RecordingWebBrowser::Refresh2(int level) { refreshes.push_back(level); }

void RecordingWebBrowser::Stop() {
  ++stops;
  busy = false;
  if (impl_->label) impl_->Flush(false);
}

void RecordingWebBrowser::WhenIdle(QObject* context, std::function<void(bool)> then) {
  if (!context || !then || !impl_->label) return;
  if (!busy) {
    QTimer::singleShot(0, context, [then = std::move(then)] { then(true); });
    return;
  }
  impl_->thens.push_back({context, std::move(then)});
  if (!impl_->poll->isActive()) {
    impl_->poll->start();
    impl_->stall->start(stallTimeoutMs);
  }
}

}  // namespace platform
