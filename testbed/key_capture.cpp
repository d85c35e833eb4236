// The window a user's application would be: it takes the keyboard focus, reports every key
// press on stdout and shows the text received so far, large enough to read on a screenshot.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "key_text.h"
#include "line_input.h"

namespace cardwedge::testbed {
namespace {

constexpr const char kUsage[] =
    "usage: key_capture [--title T] [--keep-focus] [--no-drawing]\n"
    "stdin:  quit\n"
    "stdout: ready | key <keysym-name> <text> | focus in | focus out | closed\n"
    "  text: '-' when empty; \\n for Return, \\t, \\\\ and \\xHH escape other bytes\n";

constexpr int kWidth = 1000;
constexpr int kHeight = 620;
constexpr int kMargin = 16;
constexpr int kTitleScale = 2;
constexpr int kTextScale = 4;
constexpr std::size_t kShownLines = 10;

struct Options {
  std::string title = "key capture";
  bool keep_focus = false;
  // Shows nothing: for timing, where drawing between two keys would delay the second.
  bool drawing = true;
};

void Emit(const std::string& event) { std::cout << event << std::endl; }

int ExitOnLostConnection(Display*) {
  std::cerr << "key_capture: lost the X connection\n";
  _exit(1);
}

class CaptureWindow {
 public:
  CaptureWindow(Display* display, Options options)
      : display_(display), options_(std::move(options)), lines_(1) {
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, kWidth, kHeight, 0,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    XStoreName(display_, window_, options_.title.c_str());
    XSelectInput(display_, window_,
                 KeyPressMask | ExposureMask | StructureNotifyMask | FocusChangeMask);
    delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &delete_window_, 1);
    window_gc_ = XCreateGC(display_, window_, 0, nullptr);
    font_ = XLoadQueryFont(display_, "fixed");
    glyph_height_ = font_->ascent + font_->descent;
    // Text is drawn small into a one-bit pixmap and copied pixel by pixel, enlarged: the
    // "fixed" font is the only one every X server has.
    glyph_pixmap_ = XCreatePixmap(display_, window_, kWidth, glyph_height_, 1);
    glyph_gc_ = XCreateGC(display_, glyph_pixmap_, 0, nullptr);
    XSetFont(display_, glyph_gc_, font_->fid);
  }

  ~CaptureWindow() {
    XFreeGC(display_, glyph_gc_);
    XFreePixmap(display_, glyph_pixmap_);
    XFreeFont(display_, font_);
    XFreeGC(display_, window_gc_);
  }

  void MapAndFocus() {
    XMapRaised(display_, window_);
    XEvent event;
    do {
      XWindowEvent(display_, window_, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    TakeFocus();
    XSync(display_, False);
  }

  int Run() {
    LineInput commands(STDIN_FILENO);
    for (;;) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (!Handle(event)) {
          Emit("closed");
          return 0;
        }
        // Drawn once the events that came together are handled: a key line is written the
        // moment its key arrives, not after the drawing of the keys before it. Drawing reads
        // replies, which may queue further events: the loop looks again.
        if (redraw_ && options_.drawing && XPending(display_) == 0) {
          redraw_ = false;
          Draw();
        }
      }
      XFlush(display_);
      pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {ConnectionNumber(display_), POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[0].revents == 0) continue;
      const bool open = commands.ReadAvailable();
      while (auto line = commands.NextLine()) {
        if (*line == "quit") return 0;
      }
      if (!open) return 0;
    }
  }

 private:
  void TakeFocus() { XSetInputFocus(display_, window_, RevertToParent, CurrentTime); }

  // Leaves out grabs, and the events about the pointer's window or a child's focus.
  static bool IsOwnFocusChange(const XFocusChangeEvent& focus) {
    return focus.mode == NotifyNormal && focus.detail != NotifyPointer &&
           focus.detail != NotifyInferior;
  }

  // False when the window has been closed.
  bool Handle(XEvent& event) {
    switch (event.type) {
      case KeyPress:
        OnKeyPress(event.xkey);
        break;
      case Expose:
        if (event.xexpose.count == 0) redraw_ = true;
        break;
      case FocusIn:
        if (IsOwnFocusChange(event.xfocus)) Emit("focus in");
        break;
      case FocusOut:
        if (IsOwnFocusChange(event.xfocus)) {
          Emit("focus out");
          if (options_.keep_focus) TakeFocus();
        }
        break;
      case DestroyNotify:
        return false;
      case ClientMessage:
        return static_cast<Atom>(event.xclient.data.l[0]) != delete_window_;
    }
    return true;
  }

  void OnKeyPress(XKeyEvent& key) {
    char buffer[64];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&key, buffer, sizeof buffer, &keysym, nullptr);
    const std::string text(buffer, static_cast<std::size_t>(length));
    const char* name = XKeysymToString(keysym);
    Emit(std::string("key ") + (name != nullptr ? name : "NoSymbol") + " " + Escape(text));
    for (char c : text) {
      if (c == '\r' || c == '\n') {
        lines_.emplace_back();
      } else if (static_cast<unsigned char>(c) >= 0x20) {
        lines_.back() += c;
      }
    }
    while (lines_.size() > kShownLines) lines_.erase(lines_.begin());
    redraw_ = true;
  }

  void Draw() {
    XClearWindow(display_, window_);
    int y = kMargin;
    DrawEnlarged(options_.title + ": text received", kMargin, y, kTitleScale);
    y += glyph_height_ * kTitleScale + kMargin;
    for (const std::string& line : lines_) {
      DrawEnlarged(line, kMargin, y, kTextScale);
      y += glyph_height_ * kTextScale;
    }
  }

  void DrawEnlarged(const std::string& text, int x, int y, int scale) {
    const int width =
        std::min(XTextWidth(font_, text.data(), static_cast<int>(text.size())), kWidth);
    if (width <= 0) return;
    XSetForeground(display_, glyph_gc_, 0);
    XFillRectangle(display_, glyph_pixmap_, glyph_gc_, 0, 0, kWidth, glyph_height_);
    XSetForeground(display_, glyph_gc_, 1);
    XDrawString(display_, glyph_pixmap_, glyph_gc_, 0, font_->ascent, text.data(),
                static_cast<int>(text.size()));
    XImage* image = XGetImage(display_, glyph_pixmap_, 0, 0, width, glyph_height_, 1, XYPixmap);
    std::vector<XRectangle> pixels;
    for (int row = 0; row < glyph_height_; ++row) {
      for (int column = 0; column < width; ++column) {
        if (XGetPixel(image, column, row) == 0) continue;
        pixels.push_back({static_cast<short>(x + column * scale),
                          static_cast<short>(y + row * scale), static_cast<unsigned short>(scale),
                          static_cast<unsigned short>(scale)});
      }
    }
    XDestroyImage(image);
    XFillRectangles(display_, window_, window_gc_, pixels.data(), static_cast<int>(pixels.size()));
  }

  Display* display_;
  Options options_;
  Window window_;
  Atom delete_window_;
  GC window_gc_;
  XFontStruct* font_;
  int glyph_height_;
  Pixmap glyph_pixmap_;
  GC glyph_gc_;
  std::vector<std::string> lines_;
  bool redraw_ = false;
};

}  // namespace
}  // namespace cardwedge::testbed

int main(int argc, char** argv) {
  using namespace cardwedge::testbed;
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--title" && i + 1 < argc) {
      options.title = argv[++i];
    } else if (argument == "--keep-focus") {
      options.keep_focus = true;
    } else if (argument == "--no-drawing") {
      options.drawing = false;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::cerr << "key_capture: cannot open display " << XDisplayName(nullptr) << '\n';
    return 1;
  }
  XSetIOErrorHandler(ExitOnLostConnection);
  int status;
  {
    CaptureWindow window(display, options);
    window.MapAndFocus();
    Emit("ready");
    status = window.Run();
  }
  XCloseDisplay(display);
  return status;
}
