#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cardwedge {

// Kinds of control a window can declare. A frame or picture box contains the controls that name it
// as parent: while the container is disabled, none of them reacts to the user (each keeps its own
// Enabled() value), and while it is hidden none of them shows.
enum class ControlKind {
  kLabel,
  kButton,
  kTextBox,
  kCheckBox,
  kFrame,
  kPictureBox,
  kComboBox,
  kRichText
};

// Lines a rich-text pane keeps.
inline constexpr int kRichTextMaxLines = 1000;

// Geometry in twips (1/1440 inch; 15 twips are one pixel at 96 dpi), relative to the parent.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

// One control as declared by window logic; every toolkit backend renders the same declaration.
struct ControlDeclaration {
  ControlKind kind = ControlKind::kLabel;
  std::string name;
  std::string text;  // caption of labels, buttons, frames and check boxes; text of the others
  Rect bounds;
  std::string parent;  // name of the containing frame or picture box; empty for the client area
  bool enabled = true;
  bool visible = true;
  int maxLength = 0;  // text boxes: most characters accepted, 0 for no limit
  bool multiLine = false;
  int tabIndex = -1;   // order of keyboard focus among the controls of one parent, -1 for none
  int fontPoints = 0;  // 0 for the toolkit's default size
};

struct WindowDeclaration {
  std::string name;
  std::string title;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  // Where the window first opens on the screen, in twips; the desktop may move it.
  int left = 0;
  int top = 0;
  std::optional<Rgb> background;
  std::vector<ControlDeclaration> controls;
};

// A rendered control. Each kind uses the members that make sense for it; the rest are ignored.
class Control {
 public:
  virtual ~Control() = default;

  // Caption of labels, buttons, frames and check boxes; text of text boxes, combo boxes and the
  // rich-text pane.
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;

  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetFocus() = 0;
  virtual bool HasFocus() const = 0;

  // Check boxes: 0 unticked, 1 ticked.
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;

  // Combo boxes. Selecting an item sets the text to it.
  virtual void ClearItems() = 0;
  virtual void AddItem(const std::string& item) = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemText(int index) const = 0;
  virtual int ListIndex() const = 0;
  virtual void SetListIndex(int index) = 0;

  // Rich-text pane: appends text and puts the caret at the end. The pane keeps the last
  // kRichTextMaxLines lines, dropping the oldest, so a window that runs all day does not grow.
  virtual void AppendText(const std::string& text) = 0;

  // Handlers run on the user-interface thread through RunHandler (diagnostics/run_handler.h).
  virtual void OnClick(std::function<void()> handler) = 0;
  // Text boxes: called with the character code of each typed key before it is inserted; the
  // handler may change the code, or set it to 0 to discard the key.
  virtual void OnKeyPress(std::function<void(int& keyAscii)> handler) = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual Control& Get(std::string_view controlName) = 0;
  // Replaces the text of the window's title bar.
  virtual void SetTitle(const std::string& title) = 0;
  // Shows the window without taking the focus from the window that has it: the keys typed for
  // a card go to the host, not here.
  virtual void Show() = 0;
  // Called when the user closes the window by its frame.
  virtual void OnClose(std::function<void()> handler) = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual int IntervalMs() const = 0;
};

// The windowing toolkit: windows, timers and the event loop. All of it runs on the user-interface
// thread, except Post. Every handler (clicks, keys, closes, timer ticks, posted tasks) runs through
// RunHandler, so an error that escapes one ends the program the same way on every toolkit.
class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual std::unique_ptr<Window> OpenWindow(const WindowDeclaration& declaration) = 0;
  virtual std::unique_ptr<Timer> CreateTimer(const std::string& name, int intervalMs, bool enabled,
                                             std::function<void()> onTick) = 0;
  // Lets pending events (timer ticks, clicks) run once, then returns.
  virtual void DoEvents() = 0;
  // Runs the event loop; returns the exit status when it ends.
  virtual int Run() = 0;
  // Ends the program at once, from wherever it stands: no further handler runs.
  [[noreturn]] virtual void End(int status) = 0;
  // Whether a window of this program is the active one, so keys sent now would land in it.
  virtual bool OwnWindowActive() const = 0;
  // Shows a blocking error box where a desktop is available; does nothing without one.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
  // May be called from any thread: runs task once on the user-interface thread, at the next turn
  // of the event loop (or of a DoEvents). Tasks posted after End never run.
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace cardwedge
