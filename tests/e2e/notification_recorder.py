"""Stands in for the desktop's notification service on a test's own session
bus: answers org.freedesktop.Notifications, writes each call as a JSON line
to stdout (the first, {"ready": true}, once it owns the name), and on a
line "click ID" from stdin emits ActionInvoked(ID, "default") as a click on
that notification would. Needs Debian's python3-gi."""

import json
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
  </method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="GetServerInformation">
    <arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="s" direction="out"/>
  </method>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
</interface></node>"""
NAME, PATH = "org.freedesktop.Notifications", "/org/freedesktop/Notifications"


def record(entry):
    print(json.dumps(entry, ensure_ascii=False), flush=True)


def main(address):
    bus = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)
    last = [0]

    def call(connection, sender, path, interface, method, params, invocation):
        args = params.unpack()
        if method == "Notify":
            last[0] += 1
            record({"method": method, "id": last[0], "app": args[0], "summary": args[3], "body": args[4]})
            invocation.return_value(GLib.Variant("(u)", (last[0],)))
        elif method == "CloseNotification":
            invocation.return_value(None)
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["actions", "body"],)))
        else:
            invocation.return_value(GLib.Variant("(ssss)", ("recorder", "qv-tests", "1", "1.2")))

    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    bus.register_object(PATH, node.interfaces[0], call, None, None)
    # 4: do not queue. Ready only as the name's owner (reply 1), else nothing would reach us.
    owner = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                          GLib.Variant("(su)", (NAME, 4)), GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE,
                          10000, None).unpack()[0]
    if owner != 1:
        sys.exit(f"{NAME} is already owned on {address}")
    loop = GLib.MainLoop()

    def command(channel, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        verb, _, arg = line.strip().partition(" ")
        if verb == "click":
            bus.emit_signal(None, PATH, NAME, "ActionInvoked", GLib.Variant("(us)", (int(arg), "default")))
            bus.emit_signal(None, PATH, NAME, "NotificationClosed", GLib.Variant("(uu)", (int(arg), 2)))
            bus.flush_sync(None)
            record({"clicked": int(arg)})
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                      GLib.IOCondition.IN | GLib.IOCondition.HUP, command)
    record({"ready": True})
    loop.run()


if __name__ == "__main__":
    main(sys.argv[1])
