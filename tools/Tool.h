#pragma once
// The plug-in point for the utility windows: each tool says where its menu
// item goes and which Alt+letter opens it, and opens its own window. A tool
// never reaches into the bin window; it asks its host.
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/RecycleBin.h"
#include "tools/OneWindow.h"

class QWidget;

namespace tools {

// What a tool may ask of the window that hosts it.
class ToolHost {
 public:
  virtual ~ToolHost() = default;
  // Unloads every window of the program, the host's own too: the program ends.
  virtual void UnloadAllForms() = 0;
  // The window a tool's message boxes belong to.
  virtual QWidget* HostWindow() = 0;
  // Whether the last drop on the bin can be undone.
  virtual bool CanUndo() const { return false; }
  // Every change of the trash goes through the host, one at a time. Why it
  // cannot be changed now (Spanish); empty when it can.
  virtual QString TrashBusy() const { return {}; }
  // `changed` runs whenever TrashBusy() may have changed, while `context` lives.
  virtual void WatchTrashBusy(QObject* context, std::function<void()> changed) {
    (void)context;
    (void)changed;
  }
  // Puts the items back (restoring) or deletes them for good, or with
  // `undo`, puts back the last drop. Returns at once; `done` gets what
  // happened once the host shows the trash again, while `context` lives.
  // False, with nothing done, while the trash is busy.
  virtual bool ChangeTrash(bool restoring, bool undo, std::vector<platform::TrashedItem> items,
                           QObject* context,
                           std::function<void(const platform::ItemsResult&)> done) {
    (void)restoring;
    (void)undo;
    (void)items;
    (void)context;
    (void)done;
    return false;
  }
  // The change under way stops at its next step; its item stays in the trash.
  virtual void StopTrashChange() {}
};

enum class MenuPlace { Utilities, Settings, Help };

struct ToolInfo {
  MenuPlace place;
  const char* objectName;  // the menu item's object name
  QString caption;         // the menu item's text
  // Upper-case letter of Alt+letter; 0 for none. It acts once per press.
  char hotKey;
};

class Tool {
 public:
  explicit Tool(ToolInfo info) : info_(std::move(info)) {}
  virtual ~Tool() = default;
  Tool(const Tool&) = delete;
  Tool& operator=(const Tool&) = delete;

  const ToolInfo& Info() const { return info_; }
  // False while the tool's window is still to be written: its item shows
  // disabled and its hot key does nothing.
  virtual bool Available() const { return true; }
  // Whether its item can be chosen now; looked at each time the menu opens.
  virtual bool Enabled(ToolHost&) const { return Available(); }
  // Opens the tool's window, or brings it forward when it is open.
  virtual void Open(ToolHost& host) = 0;

 private:
  ToolInfo info_;
};

// A tool with one window: made when the tool opens, brought forward while it
// is open, and discarded when closed, so that the next opening starts afresh.
template <class Window>
class WindowTool : public Tool {
 public:
  using Tool::Tool;
  void Open(ToolHost&) override {
    OneWindow<Window>::Get([] {
      auto* window = new Window;
      window->setAttribute(Qt::WA_DeleteOnClose);
      return window;
    });
    OneWindow<Window>::BringForward();
  }
  Window* Opened() const { return OneWindow<Window>::Current(); }
};

using ToolList = std::vector<std::unique_ptr<Tool>>;

// A tool whose window does not exist yet.
class PendingTool final : public Tool {
 public:
  using Tool::Tool;
  bool Available() const override { return false; }
  void Open(ToolHost&) override {}
};

}  // namespace tools
