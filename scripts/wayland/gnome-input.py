#!/usr/bin/python3
"""Keys and a pointer for a headless GNOME Shell, through mutter's RemoteDesktop interface.

  gnome-input.py serve SOCKET     holds a remote-desktop session (which gives the seat its only
                                  keyboard and pointer) and takes commands on SOCKET; prints
                                  "up" once the session runs
  gnome-input.py SOCKET STEP...   sends the steps, one after the other; exit status 0 when all
                                  were done

Steps: key:KEY[+KEY...] (a chord: ctrl alt shift super, a letter or digit, return, escape),
move:X,Y (to that pixel of the monitor), down, up, click (the left button), sleep:MS.
"""
import os
import socket
import sys
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

KEYSYMS = {"ctrl": 0xFFE3, "alt": 0xFFE9, "shift": 0xFFE1, "super": 0xFFEB,
           "return": 0xFF0D, "escape": 0xFF1B}
LEFT_BUTTON = 0x110  # BTN_LEFT
FAR_AWAY = 100000.0


def keysym(name):
    if name in KEYSYMS:
        return KEYSYMS[name]
    if len(name) == 1 and name.isalnum():
        return ord(name.lower())
    raise ValueError("unknown key " + name)


class Session:
    def __init__(self):
        bus = dbus.SessionBus()
        desktop = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop",
                                                "/org/gnome/Mutter/RemoteDesktop"),
                                 "org.gnome.Mutter.RemoteDesktop")
        path = desktop.CreateSession()
        self.session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                                      "org.gnome.Mutter.RemoteDesktop.Session")
        self.session.Start()
        # Relative motion only (absolute motion needs a screen cast): from the top-left corner,
        # where a move far up and left leaves the pointer.
        self.session.NotifyPointerMotionRelative(-FAR_AWAY, -FAR_AWAY)
        self.x = self.y = 0.0
        # The shell makes the virtual keyboard on its first key, and only then tells clients
        # that the seat has one.
        self.step("key:shift")

    def step(self, step):
        name, _, arg = step.partition(":")
        if name == "key":
            keys = [keysym(k) for k in arg.split("+")]
            for k in keys:
                self.session.NotifyKeyboardKeysym(dbus.UInt32(k), True)
            for k in reversed(keys):
                self.session.NotifyKeyboardKeysym(dbus.UInt32(k), False)
        elif name == "move":
            x, y = (float(v) for v in arg.split(","))
            self.session.NotifyPointerMotionRelative(x - self.x, y - self.y)
            self.x, self.y = x, y
        elif name in ("down", "up", "click"):
            if name != "up":
                self.session.NotifyPointerButton(LEFT_BUTTON, True)
            if name != "down":
                self.session.NotifyPointerButton(LEFT_BUTTON, False)
        elif name == "sleep":
            time.sleep(int(arg) / 1000.0)
        else:
            raise ValueError("unknown step " + step)


def serve(path):
    DBusGMainLoop(set_as_default=True)
    session = Session()
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    if os.path.exists(path):
        os.unlink(path)
    server.bind(path)
    server.listen(4)

    def take(source, condition):
        peer, _ = server.accept()
        with peer, peer.makefile("rw") as lines:
            for line in lines:
                try:
                    session.step(line.strip())
                    lines.write("ok\n")
                except (ValueError, dbus.DBusException) as error:
                    lines.write("error %s\n" % error)
                lines.flush()
        return True

    GLib.io_add_watch(server.fileno(), GLib.IO_IN, take)
    print("up", flush=True)
    GLib.MainLoop().run()


def send(path, steps):
    client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    client.connect(path)
    with client.makefile("rw") as lines:
        for step in steps:
            lines.write(step + "\n")
            lines.flush()
            answer = lines.readline().strip()
            if answer != "ok":
                print("gnome-input: %s: %s" % (step, answer or "no answer"), file=sys.stderr)
                return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "serve":
        serve(sys.argv[2])
    elif len(sys.argv) >= 3:
        sys.exit(send(sys.argv[1], sys.argv[2:]))
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
