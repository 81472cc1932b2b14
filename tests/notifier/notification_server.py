"""A private session bus and a notification server that the test owns.

The bus is a dbus-daemon of its own with no service directories, so nothing on the machine can be
started on it. The server implements org.freedesktop.Notifications in the test's process: it
records every call, keeps the notifications it was asked to show, and emits ActionInvoked and
NotificationClosed when the test says so. It runs on the test's GLib main context, so the test
must pump that context (pump/wait_until) while the program under test talks to it.

Run as a program it serves the session bus of its environment for a demonstration: it prints
each notification it is asked to show and lets it expire after a while.
"""

import argparse
import os
import select
import subprocess
import time

from gi.repository import Gio, GLib

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={directory}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

INTERFACE_XML = """<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>"""

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"

EXPIRED, DISMISSED, CLOSED_BY_CALL = 1, 2, 3


def pump():
    """Handles everything that is pending on the test's main context."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_until(condition, timeout, what):
    """Pumps the main context until condition() holds; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        pump()
        if condition():
            return
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.01)


class PrivateBus:
    """A dbus-daemon of the test's own, listening in a directory of the test."""

    def __init__(self, directory, daemon="dbus-daemon"):
        config = os.path.join(directory, "bus.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(BUS_CONFIG.format(directory=directory))
        with open(os.path.join(directory, "daemon.log"), "wb") as log:
            self.process = subprocess.Popen(
                [daemon, f"--config-file={config}", "--print-address=1", "--nofork"],
                stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, stderr=log)
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        if not ready:
            self.stop()
            raise AssertionError("dbus-daemon printed no address within 10 s")
        self.address = self.process.stdout.readline().decode().strip()
        if not self.address:
            self.stop()
            raise AssertionError("dbus-daemon ended without an address")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


class Notification:
    def __init__(self, notification_id, arguments):
        (self.app_name, self.replaces_id, self.app_icon, self.summary, self.body, actions,
         self.hints, self.expire_timeout) = arguments
        self.id = notification_id
        self.actions = list(zip(actions[0::2], actions[1::2]))
        self.open = True


class NotificationServer:
    """Owns org.freedesktop.Notifications on a bus and plays the user's part on command."""

    def __init__(self, address):
        flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
                 Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.connection = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
        interface = Gio.DBusNodeInfo.new_for_xml(INTERFACE_XML).interfaces[0]
        self.registration = self.connection.register_object(PATH, interface, self._on_call,
                                                            None, None)
        self.calls = []           # (method, arguments) in arrival order
        self.notifications = []   # every Notify, in order
        self.on_notify = None     # called with each new Notification
        self._next_id = 1
        reply = self.connection.call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", GLib.Variant("(su)", (NAME, 4)), GLib.VariantType("(u)"),
            Gio.DBusCallFlags.NONE, 10000, None)
        if reply.unpack()[0] != 1:
            raise AssertionError(f"cannot own {NAME}: {reply.unpack()[0]}")

    def stop(self):
        """Leaves the bus; the name is free again. Stopping twice does nothing."""
        if not self.connection.is_closed():
            self.connection.unregister_object(self.registration)
            self.connection.close_sync(None)

    def _on_call(self, connection, sender, path, interface, method, parameters, invocation):
        arguments = parameters.unpack()
        self.calls.append((method, arguments))
        if method == "Notify":
            notification = Notification(self._next_id, arguments)
            self._next_id += 1
            self.notifications.append(notification)
            invocation.return_value(GLib.Variant("(u)", (notification.id,)))
            if self.on_notify:
                self.on_notify(notification)
        elif method == "CloseNotification":
            # A service announces every closing, also one it was asked for, with reason 3.
            invocation.return_value(None)
            self.close(arguments[0], CLOSED_BY_CALL)
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["actions", "body", "persistence"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("test", "test", "1", "1.2")))

    def find(self, notification_id):
        return next(n for n in self.notifications if n.id == notification_id)

    def calls_of(self, method):
        return [arguments for name, arguments in self.calls if name == method]

    def invoke(self, notification_id, action_key):
        """The user selects an action of a notification."""
        self.connection.emit_signal(None, PATH, NAME, "ActionInvoked",
                                    GLib.Variant("(us)", (notification_id, action_key)))
        self.connection.flush_sync(None)

    def close(self, notification_id, reason):
        """The notification goes: expired (1), dismissed by the user (2) or closed by a call (3)."""
        for notification in self.notifications:
            if notification.id == notification_id and notification.open:
                notification.open = False
                self.connection.emit_signal(None, PATH, NAME, "NotificationClosed",
                                            GLib.Variant("(uu)", (notification_id, reason)))
                self.connection.flush_sync(None)


def forge_action(address, notification_id, action_key):
    """Another client of the bus emits ActionInvoked as if it were the server. Once the bus has
    answered a call of the same client, it has routed the signal, to whoever it routes it to."""
    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
             Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    impostor = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
    impostor.emit_signal(None, PATH, NAME, "ActionInvoked",
                         GLib.Variant("(us)", (notification_id, action_key)))
    impostor.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                       "GetId", None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 10000, None)
    impostor.close_sync(None)


def serve():
    parser = argparse.ArgumentParser(
        description="Serves desktop notifications for a demonstration: prints each one and lets "
                    "it expire.")
    parser.add_argument("--expire-after", type=float, default=2.0,
                        help="seconds until each notification expires (default 2)")
    parser.add_argument("--exit-after", type=float, default=60.0,
                        help="seconds until the server leaves (default 60)")
    options = parser.parse_args()
    server = NotificationServer(Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, None))

    def show(notification):
        print(f"notification {notification.id}: {notification.summary!r} {notification.body!r}",
              flush=True)
        GLib.timeout_add(int(options.expire_after * 1000),
                         lambda: server.close(notification.id, EXPIRED) and False)

    server.on_notify = show
    loop = GLib.MainLoop()
    GLib.timeout_add(int(options.exit_after * 1000), loop.quit)
    print("notification server ready", flush=True)
    loop.run()
    server.stop()


if __name__ == "__main__":
    serve()
