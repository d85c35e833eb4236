#include "platform/qt/qt_toolkit.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "diagnostics/diagnostics.h"
#include "diagnostics/run_handler.h"
#include "platform/qt/qt_paints_held.h"
#include "platform/qt/qt_window.h"

namespace cardwedge {
namespace {

class QtTimer : public Timer {
 public:
  QtTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout,
                     [onTick = std::move(onTick)] { RunHandler(onTick); });
    if (enabled) timer_.start();
  }
  bool Enabled() const override { return timer_.isActive(); }
  void SetEnabled(bool enabled) override {
    if (enabled == timer_.isActive()) return;
    if (enabled) {
      timer_.start();
    } else {
      timer_.stop();
    }
  }
  int IntervalMs() const override { return timer_.interval(); }

 private:
  QTimer timer_;
};

int applicationArgc = 1;
char applicationName[] = "cardwedge";
char* applicationArgv[] = {applicationName, nullptr};

}  // namespace

QtToolkit::QtToolkit() = default;

QtToolkit::~QtToolkit() = default;

void QtToolkit::EnsureApplication() {
  if (application_) return;
  application_ = std::make_unique<QApplication>(applicationArgc, applicationArgv);
  QApplication::setQuitOnLastWindowClosed(false);
}

std::unique_ptr<Window> QtToolkit::OpenWindow(const WindowDeclaration& declaration) {
  EnsureApplication();
  return std::make_unique<QtWindow>(declaration);
}

std::unique_ptr<Timer> QtToolkit::CreateTimer(const std::string& /*name*/, int intervalMs,
                                              bool enabled, std::function<void()> onTick) {
  EnsureApplication();
  return std::make_unique<QtTimer>(intervalMs, enabled, std::move(onTick));
}

// The windows repaint once the handler that yields returns, not inside the yield.
void QtToolkit::DoEvents() {
  if (!application_) return;
  const QtPaintsHeld paintsHeld;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int QtToolkit::Run() {
  EnsureApplication();
  return QApplication::exec();
}

void QtToolkit::End(int status) {
  FlushDiagnostics();
  std::fflush(nullptr);
  ::_exit(status);
}

bool QtToolkit::OwnWindowActive() const {
  return application_ != nullptr && QApplication::activeWindow() != nullptr;
}

void QtToolkit::ShowError(const std::string& title, const std::string& text) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool desktop =
      (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
  if (!desktop) return;
  EnsureApplication();
  QMessageBox::critical(nullptr, QString::fromStdString(title), QString::fromStdString(text));
}

void QtToolkit::Post(std::function<void()> task) {
  // The application object exists from the first window on, before any thread can post.
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return;
  QMetaObject::invokeMethod(
      application, [task = std::move(task)] { RunHandler(task); }, Qt::QueuedConnection);
}

}  // namespace cardwedge
