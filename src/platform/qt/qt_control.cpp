#include "platform/qt/qt_control.h"

#include "diagnostics/run_handler.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace cardwedge {
namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }
std::string FromQt(const QString& text) { return text.toStdString(); }

}  // namespace

QtControl::QtControl(QWidget* widget) : widget_(widget), visible_(true) {}

std::string QtControl::Text() const {
  if (auto* label = qobject_cast<QLabel*>(widget_)) return FromQt(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) return FromQt(button->text());
  if (auto* group = qobject_cast<QGroupBox*>(widget_)) return FromQt(group->title());
  if (auto* line = qobject_cast<QLineEdit*>(widget_)) return FromQt(line->text());
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget_)) return FromQt(plain->toPlainText());
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) return FromQt(combo->currentText());
  return {};
}

void QtControl::SetText(const std::string& text) {
  if (auto* label = qobject_cast<QLabel*>(widget_)) return label->setText(ToQt(text));
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) return button->setText(ToQt(text));
  if (auto* group = qobject_cast<QGroupBox*>(widget_)) return group->setTitle(ToQt(text));
  if (auto* line = qobject_cast<QLineEdit*>(widget_)) return line->setText(ToQt(text));
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget_)) return plain->setPlainText(ToQt(text));
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) return combo->setEditText(ToQt(text));
}

bool QtControl::Enabled() const { return widget_->isEnabled(); }
void QtControl::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }
bool QtControl::Visible() const { return visible_; }

void QtControl::SetVisible(bool visible) {
  visible_ = visible;
  widget_->setVisible(visible);
}

void QtControl::SetFocus() { widget_->setFocus(Qt::OtherFocusReason); }
bool QtControl::HasFocus() const { return widget_->hasFocus(); }

int QtControl::Value() const {
  auto* check = qobject_cast<QCheckBox*>(widget_);
  return check != nullptr && check->isChecked() ? 1 : 0;
}

void QtControl::SetValue(int value) {
  if (auto* check = qobject_cast<QCheckBox*>(widget_)) check->setChecked(value == 1);
}

void QtControl::ClearItems() {
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) {
    const QString text = combo->currentText();
    combo->clear();
    combo->setEditText(text);
  }
}

void QtControl::AddItem(const std::string& item) {
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) {
    const QString text = combo->currentText();
    const bool wasEmpty = combo->count() == 0;
    combo->addItem(ToQt(item));
    // Adding the first item selects it in Qt; the declared combo keeps its text until selected.
    if (wasEmpty) {
      combo->setCurrentIndex(-1);
      combo->setEditText(text);
    }
  }
}

int QtControl::ItemCount() const {
  auto* combo = qobject_cast<QComboBox*>(widget_);
  return combo == nullptr ? 0 : combo->count();
}

std::string QtControl::ItemText(int index) const {
  auto* combo = qobject_cast<QComboBox*>(widget_);
  return combo == nullptr ? std::string() : FromQt(combo->itemText(index));
}

int QtControl::ListIndex() const {
  auto* combo = qobject_cast<QComboBox*>(widget_);
  return combo == nullptr ? -1 : combo->currentIndex();
}

void QtControl::SetListIndex(int index) {
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) combo->setCurrentIndex(index);
}

void QtControl::AppendText(const std::string& text) {
  auto* plain = qobject_cast<QPlainTextEdit*>(widget_);
  if (plain == nullptr) return;
  plain->moveCursor(QTextCursor::End);
  plain->insertPlainText(ToQt(text));
  plain->moveCursor(QTextCursor::End);
  // Scrolling the caret into view leaves its empty line, after a final line end, at the bottom of
  // the pane: one line back makes the newest line the last one in view.
  QScrollBar* scrollBar = plain->verticalScrollBar();
  if (text.ends_with('\n') && scrollBar->value() > 0 &&
      plain->cursorRect().bottom() < plain->viewport()->height()) {
    scrollBar->setValue(scrollBar->value() - 1);
  }
}

void QtControl::OnClick(std::function<void()> handler) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
    QObject::connect(button, &QAbstractButton::clicked, this, [handler] { RunHandler(handler); });
  }
}

void QtControl::OnKeyPress(std::function<void(int& keyAscii)> handler) {
  keyPress_ = std::move(handler);
  widget_->installEventFilter(this);
}

bool QtControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_ || event->type() != QEvent::KeyPress || !keyPress_) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const QString text = key->text();
  if (text.size() != 1) return false;
  const int original = text.at(0).unicode();
  int code = original;
  RunHandler([this, &code] { keyPress_(code); });
  if (code == original) return false;
  if (code != 0) {
    if (auto* line = qobject_cast<QLineEdit*>(widget_)) line->insert(QString(QChar(code)));
  }
  return true;
}

}  // namespace cardwedge
