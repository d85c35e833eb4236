#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/toolkit.h"

namespace cardwedge {

// One declared control as a child window: a system control, or a container window for frames
// and picture boxes. The window is destroyed with its parent.
class Win32Control : public Control {
 public:
  // Creates the control's window inside `parent`, its geometry scaled to `dpi`.
  Win32Control(const ControlDeclaration& declaration, HWND parent, int dpi, int id, HFONT font);

  // The control a child window stands for; nullptr for windows that no declaration made (their
  // user data is unset).
  static Win32Control* FromWindow(HWND window);

  HWND hwnd() const { return hwnd_; }
  ControlKind kind() const { return kind_; }
  // A click notification from the control's window.
  void Clicked();

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

 private:
  static LRESULT CALLBACK KeyFilterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR subclassId, DWORD_PTR self);
  bool MultiLine() const;

  ControlKind kind_;
  bool multiLine_;
  HWND hwnd_;
  std::function<void()> onClick_;
  std::function<void(int&)> onKeyPress_;
};

}  // namespace cardwedge
