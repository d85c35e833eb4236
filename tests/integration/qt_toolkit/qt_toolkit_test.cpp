#include <gtest/gtest.h>

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

}  // namespace
}  // namespace cardwedge
