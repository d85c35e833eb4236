#pragma once

#include <QObject>
#include <QWidget>
#include <functional>

#include "platform/toolkit.h"

namespace cardwedge {

// One rendered control; the widget is owned by its parent widget.
class QtControl : public QObject, public Control {
 public:
  explicit QtControl(QWidget* widget);

  QWidget* widget() const { return widget_; }

  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  void SetFocus() override;
  bool HasFocus() const override;
  int Value() const override;
  void SetValue(int value) override;
  void ClearItems() override;
  void AddItem(const std::string& item) override;
  int ItemCount() const override;
  std::string ItemText(int index) const override;
  int ListIndex() const override;
  void SetListIndex(int index) override;
  void AppendText(const std::string& text) override;
  void OnClick(std::function<void()> handler) override;
  void OnKeyPress(std::function<void(int& keyAscii)> handler) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* widget_;
  bool visible_;
  std::function<void(int&)> keyPress_;
};

}  // namespace cardwedge
