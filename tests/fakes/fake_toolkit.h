#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace cardwedge {

// Raised by FakeToolkit::End, so a test sees where the program would have ended.
struct ProgramEnded {
  int status = 0;
};

class FakeControl : public Control {
 public:
  explicit FakeControl(const ControlDeclaration& declaration);

  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetFocus() override;
  bool HasFocus() const override;
  int Value() const override { return value_; }
  void SetValue(int value) override { value_ = value; }
  void ClearItems() override { items_.clear(), listIndex_ = -1; }
  void AddItem(const std::string& item) override { items_.push_back(item); }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string ItemText(int index) const override { return items_.at(index); }
  int ListIndex() const override { return listIndex_; }
  void SetListIndex(int index) override;
  void AppendText(const std::string& text) override { text_ += text; }
  void OnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }
  void OnKeyPress(std::function<void(int& keyAscii)> handler) override {
    onKeyPress_ = std::move(handler);
  }

  // Whether a user can reach the control: it and every container around it are enabled.
  bool ReactsToUser() const;
  // A user's click; a control that does not react to the user ignores it.
  void Click();
  // A user's key in a text box that reacts to the user: the key filter runs, then the character
  // is inserted (within the declared maximum length). Code 8 (Backspace) deletes the last one.
  void TypeKey(int keyAscii);
  void TypeKeys(const std::string& text);

  // Which control of the window has the focus; shared by the window's controls.
  std::string* focus = nullptr;
  // The frame or picture box the control sits in, if any.
  const FakeControl* container = nullptr;

 private:
  ControlDeclaration declaration_;
  std::string text_;
  bool enabled_;
  bool visible_;
  int value_ = 0;
  std::vector<std::string> items_;
  int listIndex_ = -1;
  std::function<void()> onClick_;
  std::function<void(int&)> onKeyPress_;
};

class FakeWindow : public Window {
 public:
  FakeWindow(const WindowDeclaration& declaration, std::map<std::string, FakeWindow*>& registry);
  ~FakeWindow() override;

  bool shown() const { return shown_; }
  const std::string& title() const { return title_; }
  // How often the program replaced the title.
  int titleSets() const { return titleSets_; }

  FakeControl& Get(std::string_view controlName) override;
  void SetTitle(const std::string& title) override { title_ = title, ++titleSets_; }
  void Show() override { shown_ = true; }
  void OnClose(std::function<void()> handler) override { onClose_ = std::move(handler); }

  // The user closes the window by its frame.
  void Close();

 private:
  WindowDeclaration declaration_;
  std::map<std::string, std::unique_ptr<FakeControl>, std::less<>> controls_;
  std::string focus_;
  bool shown_ = false;
  std::string title_;
  int titleSets_ = 0;
  std::function<void()> onClose_;
  std::map<std::string, FakeWindow*>& registry_;
};

class FakeTimer : public Timer {
 public:
  FakeTimer(std::string name, int intervalMs, bool enabled, std::function<void()> onTick,
            std::vector<FakeTimer*>& registry);
  ~FakeTimer() override;

  const std::string& name() const { return name_; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int IntervalMs() const override { return intervalMs_; }
  void Fire() { onTick_(); }

 private:
  std::string name_;
  int intervalMs_;
  bool enabled_;
  std::function<void()> onTick_;
  std::vector<FakeTimer*>& registry_;
};

// An in-memory toolkit: tests fire timers one tick at a time, click buttons, type into text
// boxes and read captions.
class FakeToolkit : public Toolkit {
 public:
  std::unique_ptr<Window> OpenWindow(const WindowDeclaration& declaration) override;
  std::unique_ptr<Timer> CreateTimer(const std::string& name, int intervalMs, bool enabled,
                                     std::function<void()> onTick) override;
  void DoEvents() override;
  int Run() override { return 0; }
  [[noreturn]] void End(int status) override { throw ProgramEnded{status}; }
  bool OwnWindowActive() const override { return ownWindowActive; }
  void ShowError(const std::string& title, const std::string& text) override;
  // Queues the task; DoEvents or RunPosted runs it.
  void Post(std::function<void()> task) override;
  // Runs the tasks posted so far, as the event loop would; returns how many ran.
  int RunPosted();

  FakeWindow& window(const std::string& name);
  std::vector<std::string> WindowNames() const;
  FakeTimer& timer(const std::string& name);
  std::vector<std::string> TimerNames() const;

  // Fires the timer once when it is enabled; returns whether it fired.
  bool Tick(const std::string& timerName);

  // Runs at each DoEvents, standing for whatever events were pending then.
  std::function<void()> onDoEvents;
  // Runs as a window opens, before the program renders it.
  std::function<void(const WindowDeclaration&)> onOpenWindow;
  std::vector<std::string> errorsShown;
  // Whether one of the program's windows stands as the active one.
  bool ownWindowActive = false;

 private:
  std::map<std::string, FakeWindow*> windows_;
  std::vector<FakeTimer*> timers_;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
};

}  // namespace cardwedge
