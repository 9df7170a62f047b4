#!/usr/bin/env python3
"""A StatusNotifierWatcher for the tests: owns org.kde.StatusNotifierWatcher on the session bus
that DBUS_SESSION_BUS_ADDRESS names, says a host is registered, and appends every item that
registers (its bus name, or sender and path) to the file given as its only argument, one a line.
Ends on SIGTERM."""

import signal
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
 </interface>
</node>
"""


def main():
    record = sys.argv[1]
    items = []
    loop = GLib.MainLoop()
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)

    def method_call(connection, sender, path, interface, method, parameters, invocation):
        if method == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            name = service if not service.startswith("/") else sender + service
            items.append(name)
            with open(record, "a") as out:
                out.write(name + "\n")
            connection.emit_signal(None, path, interface, "StatusNotifierItemRegistered", GLib.Variant("(s)", (name,)))
        invocation.return_value(None)

    def get_property(connection, sender, path, interface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", items)
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def acquired(connection, name):
        with open(record + ".ready", "w") as out:
            out.write("ready\n")

    def bus_acquired(connection, name):
        connection.register_object("/StatusNotifierWatcher", node.interfaces[0], method_call, get_property, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
                     bus_acquired, acquired, lambda *unused: loop.quit())
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()


if __name__ == "__main__":
    main()
