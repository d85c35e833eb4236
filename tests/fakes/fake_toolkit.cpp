#include "fake_toolkit.h"

#include <algorithm>

namespace cardwedge {

FakeControl::FakeControl(const ControlDeclaration& declaration)
    : declaration_(declaration),
      text_(declaration.text),
      enabled_(declaration.enabled),
      visible_(declaration.visible) {}

void FakeControl::SetText(const std::string& text) {
  text_ = text;
  if (declaration_.kind == ControlKind::kComboBox) {
    const auto found = std::find(items_.begin(), items_.end(), text);
    listIndex_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
  }
}

void FakeControl::SetFocus() {
  if (focus != nullptr) *focus = declaration_.name;
}

bool FakeControl::HasFocus() const { return focus != nullptr && *focus == declaration_.name; }

void FakeControl::SetListIndex(int index) {
  listIndex_ = index;
  text_ = index >= 0 ? items_.at(index) : std::string();
}

bool FakeControl::ReactsToUser() const {
  return enabled_ && (container == nullptr || container->ReactsToUser());
}

void FakeControl::Click() {
  if (ReactsToUser() && onClick_) onClick_();
}

void FakeControl::TypeKey(int keyAscii) {
  if (!ReactsToUser()) return;
  if (onKeyPress_) onKeyPress_(keyAscii);
  if (keyAscii == 0) return;
  if (keyAscii == 8) {
    if (!text_.empty()) text_.pop_back();
    return;
  }
  if (keyAscii < 32) return;
  if (declaration_.maxLength > 0 && static_cast<int>(text_.size()) >= declaration_.maxLength)
    return;
  text_ += static_cast<char>(keyAscii);
}

void FakeControl::TypeKeys(const std::string& text) {
  for (char c : text) TypeKey(static_cast<unsigned char>(c));
}

FakeWindow::FakeWindow(const WindowDeclaration& declaration,
                       std::map<std::string, FakeWindow*>& registry)
    : declaration_(declaration), title_(declaration.title), registry_(registry) {
  registry_[declaration.name] = this;
  for (const ControlDeclaration& control : declaration.controls) {
    if (!control.parent.empty() && !controls_.contains(control.parent)) {
      throw std::logic_error(control.name + " names an undeclared parent " + control.parent);
    }
    auto fake = std::make_unique<FakeControl>(control);
    fake->focus = &focus_;
    if (!control.parent.empty()) fake->container = controls_.at(control.parent).get();
    if (!controls_.emplace(control.name, std::move(fake)).second) {
      throw std::logic_error("control declared twice: " + control.name);
    }
  }
}

FakeWindow::~FakeWindow() {
  const auto found = registry_.find(declaration_.name);
  if (found != registry_.end() && found->second == this) registry_.erase(found);
}

FakeTimer::FakeTimer(std::string name, int intervalMs, bool enabled, std::function<void()> onTick,
                     std::vector<FakeTimer*>& registry)
    : name_(std::move(name)),
      intervalMs_(intervalMs),
      enabled_(enabled),
      onTick_(std::move(onTick)),
      registry_(registry) {
  registry_.push_back(this);
}

FakeTimer::~FakeTimer() { std::erase(registry_, this); }

FakeControl& FakeWindow::Get(std::string_view controlName) {
  const auto found = controls_.find(controlName);
  if (found == controls_.end()) {
    throw std::out_of_range("no control named " + std::string(controlName));
  }
  return *found->second;
}

void FakeWindow::Close() {
  if (onClose_) onClose_();
}

std::unique_ptr<Window> FakeToolkit::OpenWindow(const WindowDeclaration& declaration) {
  if (onOpenWindow) onOpenWindow(declaration);
  return std::make_unique<FakeWindow>(declaration, windows_);
}

std::unique_ptr<Timer> FakeToolkit::CreateTimer(const std::string& name, int intervalMs,
                                                bool enabled, std::function<void()> onTick) {
  return std::make_unique<FakeTimer>(name, intervalMs, enabled, std::move(onTick), timers_);
}

void FakeToolkit::DoEvents() {
  if (onDoEvents) onDoEvents();
  RunPosted();
}

void FakeToolkit::Post(std::function<void()> task) {
  const std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(task));
}

int FakeToolkit::RunPosted() {
  std::vector<std::function<void()>> tasks;
  {
    const std::lock_guard lock(postedMutex_);
    tasks.swap(posted_);
  }
  for (const auto& task : tasks) task();
  return static_cast<int>(tasks.size());
}

void FakeToolkit::ShowError(const std::string& title, const std::string& text) {
  errorsShown.push_back(title + ": " + text);
}

FakeWindow& FakeToolkit::window(const std::string& name) {
  const auto found = windows_.find(name);
  if (found == windows_.end()) throw std::out_of_range("no window named " + name);
  return *found->second;
}

std::vector<std::string> FakeToolkit::WindowNames() const {
  std::vector<std::string> names;
  for (const auto& [name, window] : windows_) names.push_back(name);
  return names;
}

FakeTimer& FakeToolkit::timer(const std::string& name) {
  for (FakeTimer* timer : timers_) {
    if (timer->name() == name) return *timer;
  }
  throw std::out_of_range("no timer named " + name);
}

std::vector<std::string> FakeToolkit::TimerNames() const {
  std::vector<std::string> names;
  for (const FakeTimer* timer : timers_) names.push_back(timer->name());
  return names;
}

bool FakeToolkit::Tick(const std::string& timerName) {
  FakeTimer& fake = timer(timerName);
  if (!fake.Enabled()) return false;
  fake.Fire();
  return true;
}

}  // namespace cardwedge
