#include "platform/qt/qt_paints_held.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <new>

namespace cardwedge {

QtPaintsHeld::QtPaintsHeld() { QCoreApplication::instance()->installEventFilter(this); }

// A widget's repaint is the update request Qt posts to its window at low priority; the window
// sends no other while one is under way, so each one held is posted again as Qt would.
QtPaintsHeld::~QtPaintsHeld() {
  QCoreApplication::instance()->removeEventFilter(this);
  for (const QPointer<QObject>& receiver : held_) {
    if (!receiver) continue;
    try {
      QCoreApplication::postEvent(receiver, new QEvent(QEvent::UpdateRequest),
                                  Qt::LowEventPriority);
    } catch (const std::bad_alloc&) {
      // Without memory for the request the window repaints now, rather than never.
      static_cast<QWidget*>(receiver.data())->repaint();
    }
  }
}

bool QtPaintsHeld::eventFilter(QObject* receiver, QEvent* event) {
  if (event->type() != QEvent::UpdateRequest || !receiver->isWidgetType()) return false;
  if (std::find(held_.begin(), held_.end(), receiver) == held_.end()) held_.emplace_back(receiver);
  return true;
}

}  // namespace cardwedge
