#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <string>

#include "pcsc/pcsc_frm.h"
#include "platform/qt/qt_control.h"
#include "platform/qt/qt_toolkit.h"

namespace cardwedge {
namespace {

std::string Lines(int first, int last) {
  std::string lines;
  for (int n = first; n <= last; ++n) lines += std::to_string(n) + "\n";
  return lines;
}

TEST(QtToolkit, OutputPaneKeepsTheNewestLinesAndShowsTheNewestLast) {
  QtToolkit toolkit;
  std::unique_ptr<Window> window = toolkit.OpenWindow(PCSCfrm::Declaration());
  window->Show();
  Control& output = window->Get("rbOutput");
  output.AppendText(Lines(1, kRichTextMaxLines));
  for (int n = kRichTextMaxLines + 1; n <= kRichTextMaxLines + 5; ++n) {
    output.AppendText(std::to_string(n) + "\n");
  }
  EXPECT_EQ(output.Text(), Lines(6, kRichTextMaxLines + 5));

  // The newest line is wholly in view; the caret's empty line after it is not.
  auto* pane = static_cast<QPlainTextEdit*>(static_cast<QtControl&>(output).widget());
  const QRect newest = pane->cursorRect(QTextCursor(pane->document()->lastBlock().previous()));
  const int viewHeight = pane->viewport()->height();
  EXPECT_GE(newest.top(), 0);
  EXPECT_LT(newest.bottom(), viewHeight);
  EXPECT_GE(pane->cursorRect().bottom(), viewHeight);
}

// Counts the paints of one widget.
class PaintCount : public QObject {
 public:
  explicit PaintCount(QObject* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// Paints until `done` holds, for at most five seconds.
template <class Done>
bool RunEventsUntil(Done done) {
  const QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// A yield runs the work waiting, but the window repaints only after it, and then surely.
TEST(QtToolkit, DoEventsRunsPostedWorkAndLeavesTheRepaintForAfter) {
  QtToolkit toolkit;
  std::unique_ptr<Window> window = toolkit.OpenWindow(PCSCfrm::Declaration());
  window->Show();
  Control& label = window->Get("PCSCLabel5");
  PaintCount count(static_cast<QtControl&>(label).widget());
  ASSERT_TRUE(RunEventsUntil([&] { return count.paints > 0; }));

  const int paintsBefore = count.paints;
  label.SetText("123456 text");
  bool postedRan = false;
  toolkit.Post([&] { postedRan = true; });
  toolkit.DoEvents();
  EXPECT_TRUE(postedRan);
  EXPECT_EQ(count.paints, paintsBefore);
  EXPECT_TRUE(RunEventsUntil([&] { return count.paints > paintsBefore; }));
}

}  // namespace
}  // namespace cardwedge
