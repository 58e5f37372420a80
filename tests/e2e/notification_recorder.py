"""Stands in for the desktop's notification service on the bus at argv[1]:
writes each call as a JSON line (the first, {"ready": true}, once it owns the
name), and on a line "ID" from stdin emits ActionInvoked(ID, "default") as a
click on that notification would. Needs Debian's python3-gi."""

import json
import sys

from gi.repository import Gio, GLib

INTERFACE = """<node><interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/></method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
</interface></node>"""
NAME, PATH = "org.freedesktop.Notifications", "/org/freedesktop/Notifications"


def record(entry):
    print(json.dumps(entry, ensure_ascii=False), flush=True)


bus = Gio.DBusConnection.new_for_address_sync(
    sys.argv[1], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)
shown = [0]


def call(connection, sender, path, interface, method, params, invocation):
    args = params.unpack()
    if method == "Notify":
        shown[0] += 1
        record({"method": method, "id": shown[0], "app": args[0], "summary": args[3], "body": args[4]})
    invocation.return_value(GLib.Variant("(u)", (shown[0],)) if method == "Notify" else None)


def click(channel, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    bus.emit_signal(None, PATH, NAME, "ActionInvoked", GLib.Variant("(us)", (int(line), "default")))
    bus.flush_sync(None)
    record({"clicked": int(line)})
    return True


bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0], call, None, None)
# 4: do not queue. Ready only as the name's owner (reply 1), else nothing would reach us.
owner = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                      GLib.Variant("(su)", (NAME, 4)), GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE,
                      10000, None).unpack()[0]
if owner != 1:
    sys.exit(f"{NAME} is already owned on {sys.argv[1]}")
loop = GLib.MainLoop()
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                  GLib.IOCondition.IN | GLib.IOCondition.HUP, click)
record({"ready": True})
loop.run()
