#include "platform/windows/win32_control.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <stdexcept>

#include "diagnostics/run_handler.h"
#include "platform/windows/library_loading.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_container.h"
#include "platform/windows/win32_dpi.h"

namespace cardwedge {
namespace {

// Room below a combo box's edit field for its drop-down list, at 96 dpi.
constexpr int kDropDownHeight = 160;

struct WindowKind {
  const wchar_t* className;
  DWORD style;
  DWORD extendedStyle;
};

// From the system folder only: a file of that name in the current folder is never loaded.
void LoadRichEdit() {
  static const HMODULE library = LoadSystemLibrary(L"Msftedit.dll");
  if (library == nullptr) throw std::runtime_error("cannot load Msftedit.dll for the output pane");
}

WindowKind KindOf(const ControlDeclaration& declaration) {
  switch (declaration.kind) {
    case ControlKind::kLabel:
      return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::kButton:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kTextBox:
      if (declaration.multiLine) {
        return {L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
      }
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::kCheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::kFrame:
      RegisterContainerClass();
      return {kContainerClass, kFrameStyle, WS_EX_CONTROLPARENT};
    case ControlKind::kPictureBox:
      RegisterContainerClass();
      return {kContainerClass, 0, WS_EX_CONTROLPARENT};
    case ControlKind::kComboBox:
      return {L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::kRichText:
      LoadRichEdit();
      return {MSFTEDIT_CLASS, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
  }
  throw std::logic_error("unknown control kind");
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

// Multi-line edit controls break lines with CR LF, the rich-edit pane with CR; the program
// with LF.
std::wstring ToControlLines(const std::string& text) {
  std::wstring lines;
  for (wchar_t c : Widen(text)) {
    if (c == L'\n') lines += L'\r';
    lines += c;
  }
  return lines;
}

std::string FromControlLines(const std::wstring& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != L'\r') {
      text += lines[i];
    } else if (i + 1 >= lines.size() || lines[i + 1] != L'\n') {
      text += L'\n';
    }
  }
  return Narrow(text);
}

// Where the character at charIndex is drawn, in the pane's client coordinates.
POINTL CharPosition(HWND pane, LRESULT charIndex) {
  POINTL position{};
  SendMessageW(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&position), charIndex);
  return position;
}

LRESULT LineStart(HWND pane, LRESULT line) {
  return SendMessageW(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
}

// Keeps the newest kRichTextMaxLines lines. After a final line end the caret stands on an empty
// line, which is not a line of the text.
void DropOldestLines(HWND pane, bool endsWithLineEnd) {
  const LRESULT lines = SendMessageW(pane, EM_GETLINECOUNT, 0, 0) - (endsWithLineEnd ? 1 : 0);
  const LRESULT excess = lines - kRichTextMaxLines;
  if (excess <= 0) return;
  SendMessageW(pane, EM_SETSEL, 0, LineStart(pane, excess));
  SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

// Scrolling the caret into view leaves the caret's empty line, after a final line end, at the
// bottom of the pane: scrolls on so that the newest line is the last line wholly in view.
void ShowNewestLine(HWND pane) {
  const LRESULT lines = SendMessageW(pane, EM_GETLINECOUNT, 0, 0);
  if (lines < 2) return;
  const POINTL newest = CharPosition(pane, LineStart(pane, lines - 2));
  const LONG lineHeight = CharPosition(pane, LineStart(pane, lines - 1)).y - newest.y;
  if (lineHeight <= 0) return;
  RECT view{};
  SendMessageW(pane, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
  const LONG linesInView = std::max<LONG>(1, (view.bottom - view.top) / lineHeight);
  POINT scroll{};
  SendMessageW(pane, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  scroll.y = std::max<LONG>(0, scroll.y + newest.y - view.top - (linesInView - 1) * lineHeight);
  SendMessageW(pane, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

}  // namespace

Win32Control::Win32Control(const ControlDeclaration& declaration, HWND parent, int dpi, int id,
                           HFONT font)
    : kind_(declaration.kind), multiLine_(declaration.multiLine) {
  const WindowKind windowKind = KindOf(declaration);
  DWORD style = windowKind.style | WS_CHILD | WS_CLIPSIBLINGS;
  if (declaration.visible) style |= WS_VISIBLE;
  if (!declaration.enabled) style |= WS_DISABLED;
  const Rect& bounds = declaration.bounds;
  int height = TwipsToPixels(bounds.height, dpi);
  if (kind_ == ControlKind::kComboBox) height += MulDiv(kDropDownHeight, dpi, 96);
  hwnd_ = CreateWindowExW(
      windowKind.extendedStyle, windowKind.className, L"", style, TwipsToPixels(bounds.left, dpi),
      TwipsToPixels(bounds.top, dpi), TwipsToPixels(bounds.width, dpi), height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) {
    throw std::runtime_error("cannot create the control " + declaration.name);
  }
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (kind_ == ControlKind::kRichText) SendMessageW(hwnd_, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
  if (kind_ == ControlKind::kTextBox && declaration.maxLength > 0) {
    SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(declaration.maxLength), 0);
  }
  SetText(declaration.text);
}

Win32Control* Win32Control::FromWindow(HWND window) {
  if (window == nullptr) return nullptr;
  return reinterpret_cast<Win32Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Win32Control::Clicked() {
  if (onClick_) RunHandler(onClick_);
}

bool Win32Control::MultiLine() const {
  return kind_ == ControlKind::kRichText || (kind_ == ControlKind::kTextBox && multiLine_);
}

std::string Win32Control::Text() const {
  const std::wstring text = WindowText(hwnd_);
  return MultiLine() ? FromControlLines(text) : Narrow(text);
}

void Win32Control::SetText(const std::string& text) {
  if (kind_ == ControlKind::kComboBox) {
    // Text that names an item selects it, as choosing it from the list would.
    const std::wstring wide = Widen(text);
    const LRESULT found = SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(wide.c_str()));
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    if (found != CB_ERR) return;
  }
  const std::wstring wide = MultiLine() ? ToControlLines(text) : Widen(text);
  SetWindowTextW(hwnd_, wide.c_str());
}

bool Win32Control::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void Win32Control::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

bool Win32Control::Visible() const {
  return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32Control::SetFocus() { ::SetFocus(hwnd_); }

bool Win32Control::HasFocus() const {
  const HWND focus = GetFocus();
  return focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus));
}

int Win32Control::Value() const {
  if (kind_ != ControlKind::kCheckBox) return 0;
  return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Control::SetValue(int value) {
  if (kind_ != ControlKind::kCheckBox) return;
  SendMessageW(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Control::ClearItems() {
  if (kind_ != ControlKind::kComboBox) return;
  // Emptying the list empties the edit field too; the text stays until an item is chosen.
  const std::wstring text = WindowText(hwnd_);
  SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
  SetWindowTextW(hwnd_, text.c_str());
}

void Win32Control::AddItem(const std::string& item) {
  if (kind_ != ControlKind::kComboBox) return;
  const std::wstring wide = Widen(item);
  SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32Control::ItemCount() const {
  if (kind_ != ControlKind::kComboBox) return 0;
  return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

std::string Win32Control::ItemText(int index) const {
  if (kind_ != ControlKind::kComboBox) return {};
  const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) throw std::out_of_range("no item " + std::to_string(index));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

int Win32Control::ListIndex() const {
  if (kind_ != ControlKind::kComboBox) return -1;
  return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}

void Win32Control::SetListIndex(int index) {
  if (kind_ != ControlKind::kComboBox) return;
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32Control::AppendText(const std::string& text) {
  if (!MultiLine()) return;
  const std::wstring wide = ToControlLines(text);
  SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  const bool richText = kind_ == ControlKind::kRichText;
  const bool endsWithLineEnd = text.ends_with('\n');
  if (richText) DropOldestLines(hwnd_, endsWithLineEnd);
  SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
  if (richText && endsWithLineEnd) ShowNewestLine(hwnd_);
}

void Win32Control::OnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

void Win32Control::OnKeyPress(std::function<void(int& keyAscii)> handler) {
  const bool subclassed = static_cast<bool>(onKeyPress_);
  onKeyPress_ = std::move(handler);
  if (!subclassed && kind_ == ControlKind::kTextBox) {
    SetWindowSubclass(hwnd_, KeyFilterProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
}

// Each typed character goes through the key filter before the edit control inserts it.
LRESULT CALLBACK Win32Control::KeyFilterProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR /*subclassId*/,
                                             DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, KeyFilterProc, 0);
  } else if (message == WM_CHAR) {
    auto* control = reinterpret_cast<Win32Control*>(self);
    int code = static_cast<int>(wParam);
    RunHandler([control, &code] { control->onKeyPress_(code); });
    if (code == 0) return 0;
    wParam = static_cast<WPARAM>(code);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace cardwedge
