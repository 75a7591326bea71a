#pragma once
// The embedded web browser the web windows show pages in. The engine behind
// it is large, so it sits in a module that is loaded when the first browser
// is made: the bin window alone never maps it.
//
// The interface is header-only and not a QObject, so that the module shares
// no code with the executable but this header.
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class QWidget;

namespace platform {

// Navigation flags as callers pass them.
enum NavFlags { navNoHistory = 2, navNoReadFromCache = 4, navNoWriteToCache = 8 };

class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  WebBrowser(const WebBrowser&) = delete;
  WebBrowser& operator=(const WebBrowser&) = delete;

  // The view to place in a window; a child of the parent it was made with.
  virtual QWidget* Widget() = 0;
  // An http(s) address, an absolute path of a local file, a file: URL, or
  // "about:" followed by a whole HTML document that is shown unchanged. With
  // navNoReadFromCache the page is fetched afresh. Anything else shows the
  // browser's error page.
  virtual void Navigate(const QString& address, int flags = 0) = 0;
  // Reloads the current page; level 2 and above bypass the cache.
  virtual void Refresh2(int level) = 0;
  // True from a navigation's start until its page has loaded or failed.
  virtual bool Busy() const = 0;
  // For pages the program builds from outside text: no JavaScript, and local
  // content may not reach remote addresses.
  virtual void SetRestricted(bool on) = 0;
  // On a restricted page, pictures from these addresses' hosts (any scheme,
  // the same port) may show; nothing else remote is fetched.
  virtual void AllowImagesFrom(const QStringList& addresses) { (void)addresses; }
  // Stops loading; pending WhenIdle continuations get false.
  virtual void Stop() = 0;
  // What runs after the load: then(true) once the browser is no longer Busy
  // (at the next turn of the event loop when it is not busy now), then(false)
  // when the load was cut short by Stop or by StallTimeoutMs without progress
  // (the load is then stopped as failed). Never runs once context is
  // destroyed, nor when the browser goes first. Nothing waits meanwhile.
  virtual void WhenIdle(QObject* context, std::function<void(bool loaded)> then) = 0;

  // Events. ProgressChange(progress, maximum); a maximum of 0 means the load
  // is over.
  std::function<void(int, int)> ProgressChange;
  // A page asks for a new window; cancel starts false. Not cancelled, the
  // address opens with the desktop's own browser (OpenOutside).
  std::function<void(const QUrl&, bool& cancel)> NewWindow2;
  // Set by the maker: how an address is handed to the desktop, and how long
  // a load may go without progress.
  std::function<bool(const QUrl&)> OpenOutside;
  // After a page has loaded: the size its content takes, in pixels, scroll
  // bars or not.
  std::function<void(const QSize&)> PageSize;
  int stallTimeoutMs = 30000;

 protected:
  WebBrowser() = default;
};

// Milliseconds without progress after which a load or a transfer ends as
// failed (30 s; tests shorten it).
int StallTimeoutMs();
void SetStallTimeoutMs(int ms);

// A browser for a window: the engine's, or, when its module cannot be
// loaded, a plain one that shows the address it was asked for.
std::unique_ptr<WebBrowser> CreateWebBrowser(QWidget* parent);
// True once the engine's module is in memory.
bool WebEngineLoaded();

// A test hook: while set, browsers come from here.
using WebBrowserFactory = std::function<std::unique_ptr<WebBrowser>(QWidget* parent)>;
void SetWebBrowserFactory(WebBrowserFactory factory);

// The engine-less browser; it records what it was asked, which makes it the
// test double of the windows too.
class RecordingWebBrowser : public WebBrowser {
 public:
  struct Navigation {
    QString address;
    int flags = 0;
  };
  explicit RecordingWebBrowser(QWidget* parent);
  ~RecordingWebBrowser() override;

  QWidget* Widget() override;
  void Navigate(const QString& address, int flags = 0) override;
  void Refresh2(int level) override;
  bool Busy() const override { return busy; }
  void SetRestricted(bool on) override { restricted = on; }
  void AllowImagesFrom(const QStringList& addresses) override { imageHosts = addresses; }
  void Stop() override;
  void WhenIdle(QObject* context, std::function<void(bool)> then) override;

  std::vector<Navigation> navigations;
  std::vector<int> refreshes;
  bool restricted = false;
  QStringList imageHosts;
  bool busy = false;
  int stops = 0;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform

// The module's one entry point.
extern "C" {
using WwCreateWebBrowserFn = platform::WebBrowser* (*)(QWidget* parent);
}
#define WW_CREATE_WEB_BROWSER_SYMBOL "ww_create_web_browser"
