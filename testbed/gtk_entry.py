#!/usr/bin/python3
"""A GTK 3 window holding one text entry, standing for a host's form field.

It prints "focused" once the entry has the keyboard focus, "text: ..." at every change of the
entry's contents (a composition the input method commits included), and "submitted: ..." when
Enter submits the field, which then empties, so a test sees exactly what reached the field.
"""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402


def say(line):
    print(line, flush=True)


def submit(entry):
    say("submitted: " + entry.get_text())
    entry.set_text("")


def main():
    window = Gtk.Window(title="gtk entry")
    entry = Gtk.Entry()
    entry.connect("changed", lambda e: e.get_text() and say("text: " + e.get_text()))
    entry.connect("activate", submit)
    entry.connect("focus-in-event", lambda *_: say("focused") or False)
    window.add(entry)
    window.connect("destroy", Gtk.main_quit)
    # Without a window manager nothing gives a new window the focus: take it once mapped.
    window.connect("map-event", lambda w, _: w.get_window().focus(Gdk.CURRENT_TIME) or False)
    window.show_all()
    entry.grab_focus()
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
