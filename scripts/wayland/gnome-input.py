#!/usr/bin/python3
"""Keys, a pointer and the clipboard for a headless GNOME Shell, through mutter's RemoteDesktop
interface.

  gnome-input.py serve SOCKET     holds a remote-desktop session (which gives the seat its only
                                  keyboard and pointer) and takes commands on SOCKET; prints
                                  "up" once the session runs
  gnome-input.py SOCKET STEP...   sends the steps, one after the other; exit status 0 when all
                                  were done

Steps: key:KEY[+KEY...] (a chord: ctrl alt shift super, a letter or digit, return, escape),
move:X,Y (to that pixel of the monitor), down, up, click (the left button), sleep:MS.
Clipboard steps, none of which takes the focus from any window (a Wayland client reads and sets
GNOME's clipboard only while it has the focus): clear (the clipboard then holds nothing),
copy:MIME:FILE (the session offers FILE's content as MIME, as another program's copy would),
paste:MIME:FILE (writes the clipboard's MIME content to FILE; fails when it offers none),
watch:MIME:FILE (from then on, each new clipboard content offering MIME is read in full, and a
line "ANNOUNCED READ BYTES" is added to FILE: the times in nanoseconds since the epoch, as
`date +%s%N` gives them).
"""
import os
import select
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
EMPTY_OFFER = "text/plain;charset=utf-8"
# How long a paste may take before it is given up (the program's own writer gives up after 10 s).
PASTE_PATIENCE_S = 15.0
# How long a client waits for the server's answer to one step.
ANSWER_PATIENCE_S = 30.0


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
        # The session's own view of the clipboard: told of each new owner, and able to read and
        # set it, whichever window has the focus.
        self.owns_clipboard = False
        # What the session offers when it holds the clipboard: (MIME, bytes), or None ("clear").
        self.offered = None
        self.watches = []
        self.session.connect_to_signal("SelectionOwnerChanged", self.owner_changed)
        self.session.connect_to_signal("SelectionTransfer", self.answer_transfer)
        self.session.EnableClipboard(dbus.Dictionary({}, signature="sv"))
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
        elif name == "clear":
            # Taken by the session, which offers only a text (mutter wants at least one type) and
            # refuses to give even that.
            self.session.SetSelection(dbus.Dictionary({"mime-types": dbus.Array([EMPTY_OFFER], signature="s")},
                                                      signature="sv"))
            self.owns_clipboard = True
            self.offered = None
        elif name == "copy":
            mime, path = self.mime_and_file(arg)
            with open(path, "rb") as source:
                self.offered = (mime, source.read())
            self.session.SetSelection(dbus.Dictionary({"mime-types": dbus.Array([mime], signature="s")},
                                                      signature="sv"))
            self.owns_clipboard = True
        elif name == "paste":
            mime, path = self.mime_and_file(arg)
            content = self.paste(mime)
            with open(path, "wb") as out:
                out.write(content)
        elif name == "watch":
            self.watches.append(self.mime_and_file(arg))
        else:
            raise ValueError("unknown step " + step)

    @staticmethod
    def mime_and_file(arg):
        mime, _, path = arg.partition(":")
        if not mime or not path:
            raise ValueError("wants MIME:FILE")
        return mime, path

    def paste(self, mime):
        if self.owns_clipboard:
            raise ValueError("the clipboard holds nothing")
        done = []
        self.read_content(mime, done.append)
        # The loop runs on meanwhile (mutter may yet ask the session itself for the content),
        # but takes no further steps: this one is still being handled.
        expired = []
        timer = GLib.timeout_add(int(PASTE_PATIENCE_S * 1000), lambda: expired.append(True))
        while not done and not expired:
            GLib.MainContext.default().iteration(True)
        if not expired:
            GLib.source_remove(timer)
        if not done:
            raise ValueError("the paste did not end within %d s" % PASTE_PATIENCE_S)
        return done[0]

    def read_content(self, mime, finished):
        # Read as it comes, so that the session goes on meanwhile; `finished` gets the bytes.
        fd = self.session.SelectionRead(mime).take()
        chunks = []

        def readable(source, condition):
            chunk = os.read(fd, 1 << 16) if condition & GLib.IO_IN else b""
            if chunk:
                chunks.append(chunk)
                return True
            os.close(fd)
            finished(b"".join(chunks))
            return False

        GLib.io_add_watch(fd, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, readable)

    def owner_changed(self, options):
        announced = time.time_ns()
        self.owns_clipboard = bool(options.get("session-is-owner", False))
        offered = [str(t) for t in options.get("mime-types", ([],))[0]]
        for mime, path in self.watches:
            if mime in offered and not self.owns_clipboard:
                self.read_for_watch(mime, path, announced)

    def read_for_watch(self, mime, path, announced):
        def log(content):
            with open(path, "a") as out:
                out.write("%d %d %d\n" % (announced, time.time_ns(), len(content)))

        self.read_content(mime, log)

    def answer_transfer(self, mime, serial):
        # After "clear" a reader gets nothing; after "copy" the bytes it offered.
        if self.offered is None or self.offered[0] != mime:
            self.session.SelectionWriteDone(serial, False)
            return
        fd = self.session.SelectionWrite(dbus.UInt32(serial)).take()
        with os.fdopen(fd, "wb") as out:
            out.write(self.offered[1])
        self.session.SelectionWriteDone(serial, True)


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
                except (ValueError, OSError, dbus.DBusException) as error:
                    lines.write("error %s\n" % error)
                lines.flush()
        return True

    GLib.io_add_watch(server.fileno(), GLib.IO_IN, take)
    print("up", flush=True)
    GLib.MainLoop().run()


def send(path, steps):
    client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    client.settimeout(ANSWER_PATIENCE_S)
    client.connect(path)
    with client.makefile("rw") as lines:
        for step in steps:
            lines.write(step + "\n")
            lines.flush()
            try:
                answer = lines.readline().strip()
            except socket.timeout:
                answer = "no answer within %d s" % ANSWER_PATIENCE_S
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
