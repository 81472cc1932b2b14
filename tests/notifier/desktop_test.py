#!/usr/bin/python3
"""The built notifier end to end on a Linux desktop of the test's own: a private session bus, a
notification server the test controls, a URL handler registered in temporary XDG directories, and
the user's data directory in a temporary folder. Every wait is bounded.

Environment: NOTIFIER_EXECUTABLE, DBUS_DAEMON, and the build's string values NOTIFIER_DOWNLOAD_URL,
NOTIFIER_SHIPPED_VERSION, NOTIFIER_VENDOR_NAME and NOTIFIER_APPLICATION_NAME.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from notification_server import (DISMISSED, EXPIRED, NotificationServer,  # noqa: E402
                                 PrivateBus, forge_action, pump, wait_until)

NOTIFIER = os.environ["NOTIFIER_EXECUTABLE"]
URL = os.environ["NOTIFIER_DOWNLOAD_URL"]
SHIPPED = int(os.environ["NOTIFIER_SHIPPED_VERSION"])
VENDOR = os.environ["NOTIFIER_VENDOR_NAME"]
APPLICATION = os.environ["NOTIFIER_APPLICATION_NAME"]

WAIT = 20  # seconds; generous for the sanitizer build on a busy machine

BALLOON = "Tavrik version 1.8.0.222-1.b10 is available for download"
HEADER = "Tavrik version 1.8.0.222-1.b10 is available for download"
TEXT = ("This version contains a number of security fixes.\n\n"
        "To proceed with download and installation please follow a link above, download page "
        "will be opened inside your web-browser.")
TOOLTIP = "Quelvar Tavrik update"
TITLE = "Quelvar Tavrik update available"
EXPAND_LABEL = "To proceed with download and installation please follow a link below"
ERROR_TITLE = "Quelvar Tavrik update error"
ERROR_TEXT = "Default web-browser launch error occured, update application will now exit"

DESKTOP_ENTRY = """[Desktop Entry]
Type=Application
Name=Test browser
Exec={handler} %u
MimeType=x-scheme-handler/https;x-scheme-handler/http;
NoDisplay=true
"""


class DesktopTest(unittest.TestCase):
    """One private desktop per test: bus, server, data and configuration directories."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="notifier_desktop.")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.processes = []
        self.addCleanup(self._end_processes)
        for name in ("data", "config", "data-dirs", "config-dirs", "home", "bus"):
            os.makedirs(self.path(name))
        os.makedirs(self.path("run"), mode=0o700)
        self.bus = PrivateBus(self.path("bus"), os.environ.get("DBUS_DAEMON", "dbus-daemon"))
        self.addCleanup(self.bus.stop)
        self.server = NotificationServer(self.bus.address)
        self.addCleanup(self.server.stop)
        self.update_dir = self.path("data", VENDOR, APPLICATION, "update")
        self.bin_dir = os.path.dirname(os.path.realpath(NOTIFIER)) + "/"

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def _end_processes(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()

    # --- the desktop around the program

    def environment(self, bus_address=None):
        env = {key: value for key, value in os.environ.items()
               if key in ("PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS")}
        env.update({
            "HOME": self.path("home"),
            "XDG_DATA_HOME": self.path("data"),
            "XDG_DATA_DIRS": self.path("data-dirs"),
            "XDG_CONFIG_HOME": self.path("config"),
            "XDG_CONFIG_DIRS": self.path("config-dirs"),
            "XDG_RUNTIME_DIR": self.path("run"),
            "DBUS_SESSION_BUS_ADDRESS": bus_address or self.bus.address,
            "LANG": "C.UTF-8",
        })
        return env

    def register_browser(self):
        """A default handler for https addresses that writes each address it gets to a file."""
        handler = self.path("browser.sh")
        with open(handler, "w", encoding="utf-8") as out:
            out.write(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> {self.path('opened')}\n")
        os.chmod(handler, 0o755)
        os.makedirs(self.path("data", "applications"))
        with open(self.path("data", "applications", "test-browser.desktop"), "w",
                  encoding="utf-8") as out:
            out.write(DESKTOP_ENTRY.format(handler=handler))
        with open(self.path("config", "mimeapps.list"), "w", encoding="utf-8") as out:
            out.write("[Default Applications]\nx-scheme-handler/https=test-browser.desktop\n")

    def opened_addresses(self):
        try:
            with open(self.path("opened"), encoding="utf-8") as opened:
                return opened.read().splitlines()
        except FileNotFoundError:
            return []

    def write_version(self, version_number):
        os.makedirs(self.update_dir, exist_ok=True)
        with open(os.path.join(self.update_dir, "version.json"), "w", encoding="utf-8") as out:
            json.dump({"package_name": "java-1.8.0-tavrik", "version_number": version_number,
                       "ui_balloon_text": BALLOON, "ui_update_header": HEADER,
                       "ui_update_text": TEXT}, out, indent=4)

    def trace(self):
        with open(os.path.join(self.update_dir, "trace.json"), encoding="utf-8") as trace:
            return list(json.load(trace).values())

    # --- the program

    def start(self, executable=NOTIFIER, arguments=("-v",), bus_address=None):
        process = subprocess.Popen([executable, *arguments], env=self.environment(bus_address),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def finish(self, process):
        """Waits for the exit while the server answers; returns the exit code."""
        wait_until(lambda: process.poll() is not None, WAIT, "the notifier to exit")
        output = process.stdout.read().decode(errors="replace")
        process.stdout.close()
        self.assertEqual(output, "", "the notifier prints nothing (sanitizers would)")
        return process.returncode

    def wait_for_notifications(self, count):
        wait_until(lambda: len(self.server.notifications) >= count, WAIT,
                   f"{count} notification(s)")
        return self.server.notifications[count - 1]

    def wait_for_waiting_trace(self):
        """Waits for the trace file that the notifier writes before its message loop."""
        path = os.path.join(self.update_dir, "trace.json")
        wait_until(lambda: os.path.exists(path) and
                   self.trace()[-1] == "is due to start message loop", WAIT,
                   "the trace written before the message loop")

    def start_lines(self, process):
        return [f"EVENT_PID {process.pid}", "tracer initialized"]

    def decision_lines(self, version_number):
        path = os.path.join(self.update_dir, "version.json")
        return [
            f"shipped version extracted, version_number: [{SHIPPED}]",
            f"EVENT_SHIPPEDVERSION {SHIPPED}",
            f"loading version from file, path: [{path}]",
            f"EVENT_LOCALPATH {path}",
            "version loaded successfully",
            f"version contents, balloon_text: [{BALLOON}]",
            f"EVENT_CONTENTBALLOON {BALLOON}",
            f"version contents, update_header: [{HEADER}]",
            f"EVENT_CONTENTUPDATEHEADER {HEADER}",
            f"version contents, update_text: [{TEXT}]",
            f"EVENT_CONTENTUPDATETEXT {TEXT}",
            f"version contents, version_number: [{version_number}]",
            f"EVENT_CONTENTVERSION {version_number}",
            f"balloon icon resolved, path: [{self.bin_dir}icon.bmp]",
        ]

    # --- the tests

    def test_link_opens_the_download_page_and_ends_the_run(self):
        self.register_browser()
        self.write_version(SHIPPED + 1)
        notifier = self.start()

        balloon = self.wait_for_notifications(1)
        self.assertEqual(
            (balloon.app_name, balloon.replaces_id, balloon.app_icon, balloon.summary,
             balloon.body, balloon.actions, balloon.hints, balloon.expire_timeout),
            (TOOLTIP, 0, self.bin_dir + "notifier.png", TITLE, BALLOON, [("default", TITLE)],
             {"image-path": self.bin_dir + "icon.bmp", "suppress-sound": True}, -1))

        self.server.invoke(balloon.id, "default")
        dialog = self.wait_for_notifications(2)
        self.assertEqual(
            (dialog.app_name, dialog.app_icon, dialog.summary, dialog.body, dialog.actions,
             dialog.hints, dialog.expire_timeout),
            (TITLE, self.bin_dir + "notifier.png", HEADER, TEXT, [(URL, EXPAND_LABEL)],
             {"resident": True}, 0))

        self.server.invoke(dialog.id, URL)
        self.assertEqual(self.finish(notifier), 0)
        wait_until(lambda: self.opened_addresses(), WAIT, "the browser to start")
        self.assertEqual(self.opened_addresses(), [URL])
        self.assertEqual(self.server.calls_of("CloseNotification"), [(dialog.id,), (balloon.id,)],
                         "the dialog closes, then the icon goes with its balloon")
        run = self.start_lines(notifier) + self.decision_lines(SHIPPED + 1)
        self.assertEqual(self.trace(), run + [
            "'GO' mode proceeding",
            "EVENT_PROCEED 0",
            "'WM_CREATE' event received",
            "is due to add notification",
            "'Shell_NotifyIconW' version, result: [1]",
            "is due to start message loop",
            "'NIN_BALLOONUSERCLICK' event received",
            "is due to show update dialog",
            "non-proceed dialog event received, code: [7]",
            "non-proceed dialog event received, code: [0]",
            "update proceed selected",
            "non-proceed dialog event received, code: [5]",
            "update dialog closed, result: [0]",
            "'WM_DESTROY' event received",
            "is due to delete notification",
            "'Shell_NotifyIconW' delete, result: [1]",
        ])

    def test_expired_balloon_ends_the_run(self):
        self.write_version(SHIPPED + 1)
        notifier = self.start()
        balloon = self.wait_for_notifications(1)
        # The trace so far is on disk while the notifier waits.
        self.wait_for_waiting_trace()

        # Only the service speaks for its notifications: a forged selection is not heard.
        forge_action(self.bus.address, balloon.id, "default")
        self.server.close(balloon.id, EXPIRED)

        self.assertEqual(self.finish(notifier), 0)
        self.assertEqual(self.trace()[-5:], [
            "'NIN_BALLOONTIMEOUT' event received",
            "'NIN_BALLOONTIMEOUT' proceed",
            "'WM_DESTROY' event received",
            "is due to delete notification",
            "'Shell_NotifyIconW' delete, result: [1]",
        ])
        self.assertEqual(self.server.calls_of("CloseNotification"), [],
                         "an expired balloon needs no closing")
        self.assertEqual(len(self.server.notifications), 1)

    def test_session_bus_that_goes_away_ends_the_run(self):
        self.write_version(SHIPPED + 1)
        notifier = self.start()
        self.wait_for_notifications(1)
        self.wait_for_waiting_trace()

        # The session ends: no balloon can be selected any more, so it counts as timed out.
        self.server.stop()
        self.bus.stop()

        self.assertEqual(self.finish(notifier), 0)
        self.assertEqual(self.trace()[-5:], [
            "'NIN_BALLOONTIMEOUT' event received",
            "'NIN_BALLOONTIMEOUT' proceed",
            "'WM_DESTROY' event received",
            "is due to delete notification",
            "'Shell_NotifyIconW' delete, result: [1]",
        ])

    def test_dismissed_dialog_ends_the_run(self):
        self.write_version(SHIPPED + 1)
        notifier = self.start()
        balloon = self.wait_for_notifications(1)
        self.server.invoke(balloon.id, "default")
        dialog = self.wait_for_notifications(2)
        # Services take a selected balloon away; that no longer ends the run under the dialog.
        self.server.close(balloon.id, DISMISSED)

        self.server.close(dialog.id, DISMISSED)

        self.assertEqual(self.finish(notifier), 0)
        self.assertEqual(self.trace()[-7:], [
            "'NIN_BALLOONTIMEOUT' event received",
            "non-proceed dialog event received, code: [2]",
            "non-proceed dialog event received, code: [5]",
            "update dialog closed, result: [0]",
            "'WM_DESTROY' event received",
            "is due to delete notification",
            "'Shell_NotifyIconW' delete, result: [1]",
        ])
        self.assertEqual(self.server.calls_of("CloseNotification"), [],
                         "both notifications had gone by themselves")
        self.assertEqual(self.opened_addresses(), [])

    def test_browser_that_cannot_start_shows_the_error_dialog(self):
        self.write_version(SHIPPED + 1)  # no handler for https is registered
        notifier = self.start()
        balloon = self.wait_for_notifications(1)
        self.server.invoke(balloon.id, "default")
        dialog = self.wait_for_notifications(2)
        self.server.invoke(dialog.id, URL)

        error = self.wait_for_notifications(3)
        self.assertEqual(
            (error.app_name, error.app_icon, error.summary, error.body, error.actions,
             error.hints),
            (ERROR_TITLE, "dialog-error", ERROR_TITLE, ERROR_TEXT, [], {"urgency": 2}))
        pump()
        self.assertIsNone(notifier.poll(), "the error dialog waits for the user")
        self.server.close(error.id, DISMISSED)

        self.assertEqual(self.finish(notifier), 0)
        trace = self.trace()
        failure = trace.index("update proceed selected")
        self.assertEqual(trace[failure + 1], "'ShellExecuteW' fail, error: [31]")
        self.assertEqual(trace[-4:-3], ["update dialog closed, result: [0]"])

    def test_second_instance_exits_at_once(self):
        self.write_version(SHIPPED + 1)
        first = self.start()
        balloon = self.wait_for_notifications(1)
        self.wait_for_waiting_trace()

        second = self.start()
        self.assertEqual(self.finish(second), 0)
        self.assertEqual(self.trace(), self.start_lines(second) + [
            "another instance of notifier is already running"])
        self.assertIsNone(first.poll())
        self.assertEqual(len(self.server.notifications), 1)
        self.assertEqual(self.server.calls_of("CloseNotification"), [])

        self.server.close(balloon.id, EXPIRED)
        self.assertEqual(self.finish(first), 0)

    def test_no_newer_version_shows_nothing(self):
        for name, version_number in (("missing", None), ("equal", SHIPPED),
                                     ("older", SHIPPED - 1)):
            with self.subTest(name):
                shutil.rmtree(self.path("data", VENDOR), ignore_errors=True)
                os.makedirs(self.update_dir)
                if version_number is not None:
                    self.write_version(version_number)
                notifier = self.start()

                self.assertEqual(self.finish(notifier), 0)
                trace = self.trace()
                self.assertEqual(trace[-2:], ["'NOGO' mode exiting", "EVENT_PROCEED 1"])
                if version_number is None:
                    self.assertTrue(trace[-3].startswith("ERROR: Cannot open file: ["), trace[-3])
                else:
                    self.assertEqual(trace[2:-2], self.decision_lines(version_number))
                self.assertEqual(self.server.notifications, [])

    def test_add_fails_without_a_notification_service(self):
        self.write_version(SHIPPED + 1)
        self.server.stop()
        missing_bus = "unix:path=" + self.path("bus", "no-such-socket")
        for name, address in (("no server on the bus", None), ("no session bus", missing_bus)):
            with self.subTest(name):
                notifier = self.start(bus_address=address)
                self.assertEqual(self.finish(notifier), 1)
                self.assertEqual(self.trace()[-6:], [
                    "is due to add notification",
                    "'Shell_NotifyIconW' main fail",
                    "'WM_DESTROY' event received",
                    "is due to delete notification",
                    "'Shell_NotifyIconW' delete, result: [0]",
                    "'CreateWindowExW' fail, error: [code: [125], message: [Operation canceled]]",
                ])

    def test_missing_balloon_picture_fails_the_add(self):
        self.write_version(SHIPPED + 1)
        bin_dir = self.path("bin")
        os.makedirs(bin_dir)
        shutil.copy2(NOTIFIER, bin_dir)
        shutil.copy2(os.path.join(self.bin_dir, "notifier.png"), bin_dir)
        notifier = self.start(os.path.join(bin_dir, os.path.basename(NOTIFIER)))

        self.assertEqual(self.finish(notifier), 1)
        self.assertEqual(self.trace()[-5], "'LoadImageW' fail, error: [code: [2], message: "
                                           "[No such file or directory]]")
        self.assertEqual(self.server.notifications, [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
