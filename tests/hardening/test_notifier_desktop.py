#!/usr/bin/python3
"""The notifier on a private desktop (session bus and notification server of the test's own):
text from version.json reaches a server that reads body markup escaped, and the notifier reading
version.json over and over while the checker rewrites it a thousand times never meets a torn file.

Environment: NOTIFIER_EXECUTABLE, CHECKER_EXECUTABLE, DBUS_DAEMON, NOTIFIER_SHIPPED_VERSION,
NOTIFIER_VENDOR_NAME, NOTIFIER_APPLICATION_NAME.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "notifier"))
sys.path.insert(0, os.path.join(HERE, "..", "checker", "e2e"))
import harness  # noqa: E402  pylint: disable=wrong-import-position
from gi.repository import GLib  # noqa: E402  pylint: disable=wrong-import-position
from notification_server import (DISMISSED, EXPIRED, NotificationServer,  # noqa: E402
                                 PrivateBus, wait_until)

NOTIFIER = os.environ["NOTIFIER_EXECUTABLE"]
CHECKER = os.environ["CHECKER_EXECUTABLE"]
SHIPPED = int(os.environ["NOTIFIER_SHIPPED_VERSION"])
VENDOR = os.environ["NOTIFIER_VENDOR_NAME"]
APPLICATION = os.environ["NOTIFIER_APPLICATION_NAME"]
WAIT = 30  # seconds; generous for the sanitizer build on a busy machine
REWRITES = 1000

BALLOON = 'Tavrik <b>1.8</b> & "R&D" <a href="https://elsewhere.example">here</a>'
HEADER = "<i>Tavrik</i> & co"
TEXT = "Fixes: <u>many</u> & more > less < all 'quoted'"


class MarkupServer(NotificationServer):
    """A server that, like many desktops' own, reads markup in bodies."""

    def _on_call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "GetCapabilities":
            self.calls.append((method, ()))
            invocation.return_value(GLib.Variant("(as)", (["actions", "body", "body-markup"],)))
        else:
            super()._on_call(connection, sender, path, interface, method, parameters, invocation)


class NotifierDesktop(unittest.TestCase):

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="notifier-hardening.")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        for name in ("data", "config", "data-dirs", "config-dirs", "home", "bus"):
            os.makedirs(self.path(name))
        os.makedirs(self.path("run"), mode=0o700)
        self.bus = PrivateBus(self.path("bus"), os.environ.get("DBUS_DAEMON", "dbus-daemon"))
        self.addCleanup(self.bus.stop)
        self.update_dir = self.path("data", VENDOR, APPLICATION, "update")
        self.version_file = os.path.join(self.update_dir, "version.json")

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def serve(self, server_class):
        return server_class(self.bus.address)

    def environment(self):
        env = {key: value for key, value in os.environ.items()
               if key in ("PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS")}
        env.update({"HOME": self.path("home"), "XDG_DATA_HOME": self.path("data"),
                    "XDG_DATA_DIRS": self.path("data-dirs"), "XDG_CONFIG_HOME": self.path("config"),
                    "XDG_CONFIG_DIRS": self.path("config-dirs"), "XDG_RUNTIME_DIR": self.path("run"),
                    "DBUS_SESSION_BUS_ADDRESS": self.bus.address, "LANG": "C.UTF-8"})
        return env

    def start_notifier(self):
        process = subprocess.Popen([NOTIFIER, "-v"], env=self.environment(),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
        self.addCleanup(lambda: process.poll() is None and (process.kill(), process.wait()))
        return process

    def finish(self, process):
        wait_until(lambda: process.poll() is not None, WAIT, "the notifier to exit")
        output = process.stdout.read().decode(errors="replace")
        process.stdout.close()
        self.assertEqual(output, "", "the notifier prints nothing (sanitizers would)")
        return process.returncode

    def trace(self):
        with open(os.path.join(self.update_dir, "trace.json"), encoding="utf-8") as trace:
            return list(json.load(trace).values())

    def test_text_from_the_version_file_is_never_read_as_markup(self):
        escaped = {
            BALLOON: "Tavrik &lt;b&gt;1.8&lt;/b&gt; &amp; &quot;R&amp;D&quot; &lt;a "
                     "href=&quot;https://elsewhere.example&quot;&gt;here&lt;/a&gt;",
            TEXT: "Fixes: &lt;u&gt;many&lt;/u&gt; &amp; more &gt; less &lt; all &apos;quoted&apos;",
        }
        os.makedirs(self.update_dir)
        with open(self.version_file, "w", encoding="utf-8") as out:
            json.dump({"version_number": SHIPPED + 1, "ui_balloon_text": BALLOON,
                       "ui_update_header": HEADER, "ui_update_text": TEXT}, out)
        # A server without body markup shows bodies as they are, so they go unescaped.
        for server_class, body in ((MarkupServer, escaped.get), (NotificationServer, str)):
            with self.subTest(server=server_class.__name__):
                server = self.serve(server_class)
                self.addCleanup(server.stop)
                notifier = self.start_notifier()
                wait_until(lambda: len(server.notifications) >= 1, WAIT, "the balloon")
                balloon = server.notifications[0]
                self.assertEqual(balloon.body, body(BALLOON))
                server.invoke(balloon.id, "default")
                wait_until(lambda: len(server.notifications) >= 2, WAIT, "the update dialog")
                dialog = server.notifications[1]
                # The summary is plain text by the protocol: it goes as it is.
                self.assertEqual((dialog.summary, dialog.body), (HEADER, body(TEXT)))
                server.close(balloon.id, DISMISSED)
                server.close(dialog.id, DISMISSED)
                self.assertEqual(self.finish(notifier), 0)
                server.stop()  # the name is free for the next server

    def test_reading_while_the_checker_rewrites_never_meets_a_torn_file(self):
        server = self.serve(NotificationServer)
        self.addCleanup(server.stop)
        # Every balloon expires at once, so that each run of the notifier ends by itself.
        server.on_notify = lambda notification: GLib.idle_add(
            lambda: server.close(notification.id, EXPIRED) and False)
        service = harness.UpdateService()
        self.addCleanup(service.stop)
        versions = [f"1.8.0.{500 + i // 100}-1.b{i % 100 + 1:02d}" for i in range(REWRITES)]
        numbers = {int(f"108{500 + i // 100}01{i % 100 + 1:03d}") for i in range(REWRITES)}
        config = self.path("config.json")
        failures = []

        def rewrite():
            env = self.environment()
            for version in versions:
                with open(config, "w", encoding="utf-8") as out:
                    json.dump({"remote_version_url": service.url(f"dm?version={version}"),
                               "curl_cainfo_filename": service.ca_file, "vendor_name": VENDOR,
                               "application_name": APPLICATION}, out)
                run = harness.run_program([CHECKER, "--config", config], env, self.root)
                if run.returncode != 0 or "INFO: new version descriptor obtained" not in run.stdout:
                    failures.append(run)
                    return

        writer = threading.Thread(target=rewrite)
        writer.start()
        # The notifier writes its trace only into an update directory that the checker made.
        wait_until(lambda: os.path.exists(self.version_file) or not writer.is_alive(), WAIT,
                   "the first version.json")
        reads = 0
        while writer.is_alive():
            self.assertEqual(self.finish(self.start_notifier()), 0)
            reads += 1
            trace = self.trace()
            self.assertEqual([m for m in trace if m.startswith("ERROR")], [], trace)
            self.assertIn("version loaded successfully", trace)
            seen = next(int(m.split()[1]) for m in trace if m.startswith("EVENT_CONTENTVERSION"))
            self.assertIn(seen, numbers)
            self.assertIn("'GO' mode proceeding", trace)
        writer.join()
        self.assertEqual(failures, [])
        self.assertGreater(reads, 1, "the notifier never read while the checker wrote")
        self.assertEqual(sorted(os.listdir(self.update_dir)), ["trace.json", "version.json"])
        print(f"{REWRITES} rewrites, {reads} reads", file=sys.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
