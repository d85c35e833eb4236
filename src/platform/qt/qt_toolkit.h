#pragma once

#include <memory>

#include "platform/toolkit.h"

class QApplication;

namespace cardwedge {

// Qt 6 Widgets toolkit. The application object is created on first use, so a program that ends
// before opening a window needs no display.
class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;

  std::unique_ptr<Window> OpenWindow(const WindowDeclaration& declaration) override;
  std::unique_ptr<Timer> CreateTimer(const std::string& name, int intervalMs, bool enabled,
                                     std::function<void()> onTick) override;
  void DoEvents() override;
  int Run() override;
  [[noreturn]] void End(int status) override;
  bool OwnWindowActive() const override;
  void ShowError(const std::string& title, const std::string& text) override;
  void Post(std::function<void()> task) override;

 private:
  void EnsureApplication();

  std::unique_ptr<QApplication> application_;
};

}  // namespace cardwedge
