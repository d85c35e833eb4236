#include "platform/qt/qt_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "diagnostics/run_handler.h"
#include "platform/qt/qt_control.h"

namespace cardwedge {
namespace {

QWidget* CreateWidget(const ControlDeclaration& declaration, QWidget* parent) {
  const QString text = QString::fromStdString(declaration.text);
  switch (declaration.kind) {
    case ControlKind::kLabel:
      return new QLabel(text, parent);
    case ControlKind::kButton:
      return new QPushButton(text, parent);
    case ControlKind::kTextBox:
      if (declaration.multiLine) {
        auto* edit = new QPlainTextEdit(text, parent);
        edit->setTabChangesFocus(true);
        return edit;
      } else {
        auto* edit = new QLineEdit(text, parent);
        if (declaration.maxLength > 0) edit->setMaxLength(declaration.maxLength);
        return edit;
      }
    case ControlKind::kCheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::kFrame:
      return new QGroupBox(text, parent);
    case ControlKind::kPictureBox:
      return new QFrame(parent);
    case ControlKind::kComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setEditText(text);
      return combo;
    }
    case ControlKind::kRichText: {
      auto* edit = new QPlainTextEdit(text, parent);
      edit->setTabChangesFocus(true);
      // The program appends whole lines: the empty block after the final line end, where the
      // caret stands, is not a line.
      edit->setMaximumBlockCount(kRichTextMaxLines + 1);
      return edit;
    }
  }
  throw std::logic_error("unknown control kind");
}

}  // namespace

void QtWindowWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onClose) RunHandler(onClose);
}

QtWindow::QtWindow(const WindowDeclaration& declaration)
    : widget_(std::make_unique<QtWindowWidget>()) {
  widget_->setObjectName(QString::fromStdString(declaration.name));
  widget_->setWindowTitle(QString::fromStdString(declaration.title));
  widget_->resize(TwipsToPixels(declaration.clientWidth), TwipsToPixels(declaration.clientHeight));
  widget_->move(TwipsToPixels(declaration.left), TwipsToPixels(declaration.top));
  if (declaration.background) {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window,
                     QColor(declaration.background->red, declaration.background->green,
                            declaration.background->blue));
    widget_->setPalette(palette);
    widget_->setAutoFillBackground(true);
  }

  std::vector<const ControlDeclaration*> tabbed;
  for (const ControlDeclaration& control : declaration.controls) {
    QWidget* parent = widget_.get();
    if (!control.parent.empty()) parent = static_cast<QtControl&>(Get(control.parent)).widget();
    QWidget* widget = CreateWidget(control, parent);
    widget->setObjectName(QString::fromStdString(control.name));
    widget->setGeometry(TwipsToPixels(control.bounds.left), TwipsToPixels(control.bounds.top),
                        TwipsToPixels(control.bounds.width), TwipsToPixels(control.bounds.height));
    if (control.fontPoints > 0) {
      QFont font = widget->font();
      font.setPointSize(control.fontPoints);
      widget->setFont(font);
    }
    widget->setEnabled(control.enabled);
    auto rendered = std::make_unique<QtControl>(widget);
    rendered->SetVisible(control.visible);
    controls_.emplace(control.name, std::move(rendered));
    if (control.tabIndex >= 0) tabbed.push_back(&control);
  }
  std::stable_sort(tabbed.begin(), tabbed.end(),
                   [](const ControlDeclaration* a, const ControlDeclaration* b) {
                     return a->tabIndex < b->tabIndex;
                   });
  for (std::size_t i = 1; i < tabbed.size(); ++i) {
    QWidget::setTabOrder(static_cast<QtControl&>(Get(tabbed[i - 1]->name)).widget(),
                         static_cast<QtControl&>(Get(tabbed[i]->name)).widget());
  }
}

QtWindow::~QtWindow() = default;

Control& QtWindow::Get(std::string_view controlName) {
  const auto found = controls_.find(controlName);
  if (found == controls_.end()) {
    throw std::out_of_range("no control named " + std::string(controlName));
  }
  return *found->second;
}

void QtWindow::SetTitle(const std::string& title) {
  widget_->setWindowTitle(QString::fromStdString(title));
}

void QtWindow::Show() {
  widget_->setAttribute(Qt::WA_ShowWithoutActivating);
  widget_->show();
}

void QtWindow::OnClose(std::function<void()> handler) { widget_->onClose = std::move(handler); }

}  // namespace cardwedge
