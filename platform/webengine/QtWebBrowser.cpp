// The engine's side of the embedded browser; built as a module of its own
// and loaded by CreateWebBrowser when the first web window opens.
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <utility>
#include <vector>

#include "platform/WebBrowser.h"

namespace {

// One profile for every window, kept in memory only: nothing the pages bring
// is written to disk, and no run sees another run's cache.
QWebEngineProfile* Profile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    profile = new QWebEngineProfile(QCoreApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  }
  return profile;
}

QString ErrorPage(const QString& address) {
  return QStringLiteral(
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Error</title></head>"
             "<body style=\"font-family:sans-serif\"><h3>No se puede mostrar la página</h3>"
             "<p>%1</p></body></html>")
      .arg(address.left(300).toHtmlEscaped());
}

// What a restricted page may fetch from outside: pictures from the hosts it
// was given, nothing else. Local files and inline data are not asked about.
class ImagesOnly : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  QList<QUrl> allowed;

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme().toLower();
    if (scheme == "file" || scheme == "data" || scheme == "about" || scheme == "qrc") return;
    bool ok = false;
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeImage &&
        (scheme == "http" || scheme == "https"))
      for (const QUrl& a : allowed)
        ok = ok ||
             (a.host().compare(url.host(), Qt::CaseInsensitive) == 0 && a.port(-1) == url.port(-1));
    if (!ok) info.block(true);
  }
};

class Page : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;
};

class QtWebBrowser final : public platform::WebBrowser {
 public:
  explicit QtWebBrowser(QWidget* parent) {
    view_ = new QWebEngineView(parent);
    view_->setObjectName("WebBrowserView");
    view_->setPage(new Page(Profile(), view_));
    QWebEnginePage* page = view_->page();
    QObject::connect(page, &QWebEnginePage::loadStarted, view_, [this] {
      busy_ = true;
      Progressed();
    });
    QObject::connect(page, &QWebEnginePage::loadProgress, view_, [this](int p) {
      Progressed();
      if (ProgressChange) ProgressChange(p, 100);
    });
    QObject::connect(page, &QWebEnginePage::loadFinished, view_, [this](bool ok) {
      if (ok && PageSize) MeasurePage();
      busy_ = false;
      if (clearHistory_) page_()->history()->clear();
      clearHistory_ = false;
      Progressed();
      if (ProgressChange) ProgressChange(0, 0);
      FlushThens(true);
    });
    thenStall_ = new QTimer(view_);
    thenStall_->setSingleShot(true);
    QObject::connect(thenStall_, &QTimer::timeout, view_, [this] { Stop(); });
    QObject::connect(page, &QWebEnginePage::newWindowRequested, view_,
                     [this](QWebEngineNewWindowRequest& request) {
                       bool cancel = false;
                       const QUrl url = request.requestedUrl();
                       if (NewWindow2) NewWindow2(url, cancel);
                       if (!cancel && OpenOutside) OpenOutside(url);
                     });
  }

  ~QtWebBrowser() override {
    thens_.clear();  // the stop below may still finish the load
    if (view_) {
      view_->page()->triggerAction(QWebEnginePage::Stop);
      delete view_.data();
    }
  }

  QWidget* Widget() override { return view_; }

  void Navigate(const QString& address, int flags) override {
    if (!view_) return;
    busy_ = true;
    clearHistory_ = (flags & platform::navNoHistory) != 0;
    if (address.startsWith(QLatin1String("about:"), Qt::CaseInsensitive) && address.size() > 6 &&
        address.mid(6).trimmed().startsWith('<')) {
      view_->setHtml(address.mid(6), QUrl(QStringLiteral("about:blank")));
      return;
    }
    QUrl url;
    if (address.startsWith('/'))
      url = QUrl::fromLocalFile(address);
    else
      url = QUrl(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() ||
        !(scheme == "http" || scheme == "https" || scheme == "file" || scheme == "about")) {
      view_->setHtml(ErrorPage(address), QUrl(QStringLiteral("about:blank")));
      return;
    }
    QWebEngineHttpRequest request(url);
    if (flags & platform::navNoReadFromCache) {
      request.setHeader("Cache-Control", "no-cache");
      request.setHeader("Pragma", "no-cache");
    }
    view_->page()->load(request);
  }

  void Refresh2(int level) override {
    if (!view_) return;
    busy_ = true;
    view_->page()->triggerAction(level >= 2 ? QWebEnginePage::ReloadAndBypassCache
                                            : QWebEnginePage::Reload);
  }

  bool Busy() const override { return busy_; }

  void SetRestricted(bool on) override {
    if (!view_) return;
    restricted_ = on;
    QWebEngineSettings* s = view_->page()->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, !on);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, !on);
    ApplyRemoteRule();
  }

  void AllowImagesFrom(const QStringList& addresses) override {
    if (!view_) return;
    if (!interceptor_) interceptor_ = new ImagesOnly(view_);
    interceptor_->allowed.clear();
    for (const QString& a : addresses) {
      const QUrl url(a.contains(QLatin1String("://")) ? a : "http://" + a);
      if (!url.host().isEmpty()) interceptor_->allowed.append(url);
    }
    ApplyRemoteRule();
  }

  void Stop() override {
    if (view_) view_->page()->triggerAction(QWebEnginePage::Stop);
    busy_ = false;
    FlushThens(false);
  }

  void WhenIdle(QObject* context, std::function<void(bool)> then) override {
    if (!context || !then || !view_) return;
    if (!busy_) {
      QTimer::singleShot(0, context, [then = std::move(then)] { then(true); });
      return;
    }
    thens_.push_back({context, std::move(then)});
    thenStall_->start(stallTimeoutMs);
  }

 private:
  QWebEnginePage* page_() { return view_->page(); }

  // Each continuation at the next turn of the loop, bound to its context, so
  // that none runs inside the engine's signal or after its window went.
  void FlushThens(bool loaded) {
    if (thenStall_) thenStall_->stop();
    for (Then& t : std::exchange(thens_, {}))
      if (t.context)
        QTimer::singleShot(0, t.context.data(),
                           [then = std::move(t.then), loaded] { then(loaded); });
  }

  // A restricted local page reaches nothing remote, unless pictures from
  // named hosts are allowed: then the engine may ask, and the interceptor
  // lets only those pictures through.
  void ApplyRemoteRule() {
    const bool images = interceptor_ && !interceptor_->allowed.isEmpty();
    view_->page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                            !restricted_ || images);
    view_->page()->setUrlRequestInterceptor(restricted_ && interceptor_ ? interceptor_ : nullptr);
  }

  // In the program's own script world, which runs with the page's scripts
  // off: the farthest right and bottom any content reaches, and the body's
  // margins beyond that.
  void MeasurePage() {
    QPointer<QWebEngineView> alive = view_;
    view_->page()->runJavaScript(
        QStringLiteral("(function() { var b = document.body; if (!b) return [0, 0];"
                       " var r = document.createRange(); r.selectNodeContents(b);"
                       " var box = r.getBoundingClientRect(), s = getComputedStyle(b);"
                       " return [Math.ceil(box.right + parseFloat(s.marginRight)),"
                       "         Math.ceil(box.bottom + parseFloat(s.marginBottom))]; })()"),
        QWebEngineScript::ApplicationWorld, [this, alive](const QVariant& v) {
          const QVariantList l = v.toList();
          if (!alive || l.size() != 2 || !PageSize) return;
          PageSize(QSize(l[0].toInt(), l[1].toInt()));
        });
  }

  void Progressed() {
    if (!thens_.empty() && thenStall_) thenStall_->start(stallTimeoutMs);
  }

  struct Then {
    QPointer<QObject> context;
    std::function<void(bool)> then;
  };

  QPointer<QWebEngineView> view_;
  std::vector<Then> thens_;
  QPointer<QTimer> thenStall_;
  bool busy_ = false;
  bool clearHistory_ = false;
  bool restricted_ = false;
  ImagesOnly* interceptor_ = nullptr;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) platform::WebBrowser* ww_create_web_browser(
    QWidget* parent) {
  return new QtWebBrowser(parent);
}
