#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/toolkit.h"

namespace cardwedge {

// Pixels from twips at 96 dpi.
inline int TwipsToPixels(int twips) { return twips / 15; }

class QtControl;

// The top-level widget of a declared window.
class QtWindowWidget : public QWidget {
 public:
  std::function<void()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

class QtWindow : public Window {
 public:
  explicit QtWindow(const WindowDeclaration& declaration);
  ~QtWindow() override;

  Control& Get(std::string_view controlName) override;
  void SetTitle(const std::string& title) override;
  void Show() override;
  void OnClose(std::function<void()> handler) override;

 private:
  std::unique_ptr<QtWindowWidget> widget_;
  std::map<std::string, std::unique_ptr<QtControl>, std::less<>> controls_;
};

}  // namespace cardwedge
