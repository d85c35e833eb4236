#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

namespace cardwedge {

// For as long as it lives, holds back the repaints of the program's widgets and lets every other
// event through; when it ends, asks again for the repaints it held, so they run at the next turn
// of the event loop. A yield in the middle of a read cycle thus lets ticks, clicks and posted work
// run without first repainting the windows, which would delay the keys that follow it.
class QtPaintsHeld : public QObject {
 public:
  QtPaintsHeld();
  ~QtPaintsHeld() override;
  QtPaintsHeld(const QtPaintsHeld&) = delete;
  QtPaintsHeld& operator=(const QtPaintsHeld&) = delete;

  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  std::vector<QPointer<QObject>> held_;
};

}  // namespace cardwedge
