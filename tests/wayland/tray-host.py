#!/usr/bin/python3
"""A StatusNotifierWatcher for tray tests on a compositor without a panel, driven line by line
from standard input. Start it before the program: Qt looks for a watcher once, at start-up.

Prints "up" once on the bus, "registered SERVICE" for each item. Commands on standard input:
  activate        calls Activate on the newest item (a single click); prints "activated"
  click LABEL     clicks the newest item's menu entry LABEL (without '&'); prints "clicked LABEL"
                  or "no entry LABEL" with the labels there are
Ends at the end of standard input."""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
# Qt reads the watcher's properties through QDBusInterface, which needs them in the introspection.
INTROSPECTION = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
</interface><interface name="org.freedesktop.DBus.Properties">
<method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
<method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
</interface></node>"""


def say(*words):
    print(*words, flush=True)


def menu_entries(layout, found):
    entry, props, children = layout
    if "label" in props:
        found.append((int(entry), str(props["label"]).replace("&", "")))
    for child in children:
        menu_entries(child, found)
    return found


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        self.bus = bus
        self.items = []  # (service, path), newest last
        super().__init__(dbus.service.BusName(WATCHER, bus, do_not_queue=True), "/StatusNotifierWatcher")

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # Qt passes its bus name; others pass an object path on their own connection
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            service, path = sender, service
        self.items.append((service, path))
        say("registered", service)
        self.StatusNotifierItemRegistered(service + path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, name):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, name):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"RegisteredStatusNotifierItems": dbus.Array([s + p for s, p in self.items], signature="s"),
                "IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "ProtocolVersion": dbus.Int32(0)}

    def run(self, line):
        if not self.items:
            say("no item")
            return
        item = self.bus.get_object(*self.items[-1])
        if line == "activate":
            item.Activate(dbus.Int32(10), dbus.Int32(10), dbus_interface=ITEM)
            say("activated")
        elif line.startswith("click "):
            label = line[len("click "):]
            path = item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
            menu = self.bus.get_object(self.items[-1][0], path)
            entries = menu_entries(menu.GetLayout(0, -1, [], dbus_interface=MENU)[1], [])
            for entry, text in entries:
                if text == label:
                    menu.Event(dbus.Int32(entry), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                               dbus_interface=MENU)
                    say("clicked", label)
                    return
            say("no entry", label, [text for _, text in entries])


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    loop = GLib.MainLoop()
    watcher = Watcher(dbus.SessionBus())
    say("up")

    def command(channel, condition):
        line = channel.readline()
        if not line:
            loop.quit()
            return False
        try:
            watcher.run(line.strip())
        except dbus.DBusException as e:
            say("failed", e.get_dbus_message())
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, command)
    loop.run()


if __name__ == "__main__":
    main()
