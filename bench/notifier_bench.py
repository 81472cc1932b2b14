"""What is measured for the notifier: its NOGO path (no version.json) and its GO path up to the
notification request, on a private session bus with the project's test notification server."""

import json
import os
import statistics
import subprocess
import sys
import time

from measure import Command, callgrind, hyperfine, peak_memory

TESTS_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "notifier")
SERVER_SCRIPT = os.path.join(TESTS_DIR, "notification_server.py")
sys.path.insert(0, TESTS_DIR)
# pylint: disable=wrong-import-position
from notification_server import EXPIRED, NotificationServer, PrivateBus  # noqa: E402
from gi.repository import GLib  # noqa: E402

# Runs of a few milliseconds: many of them, so that a busy moment of the machine weighs little.
FULL_PLAN = {"runs": 150, "warmup": 10, "notify_runs": 50}
QUICK_PLAN = {"runs": 5, "warmup": 1, "notify_runs": 3}
WAIT_SECONDS = 20


class NotifierBench:
    def __init__(self, work, notifier, strings, log):
        """strings: the build's NOTIFIER_SHIPPED_VERSION, NOTIFIER_VENDOR_NAME and
        NOTIFIER_APPLICATION_NAME."""
        self.work = os.path.join(work, "notifier")
        self.notifier = notifier
        self.strings = strings
        self.log = log
        for name in ("bus", "home", "config", "nogo", "go"):
            os.makedirs(self.path(name), exist_ok=True)
        os.makedirs(self.path("run"), mode=0o700, exist_ok=True)
        self.write_newer_version(self.path("go"))

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def write_newer_version(self, data_home):
        update_dir = os.path.join(data_home, self.strings["NOTIFIER_VENDOR_NAME"],
                                  self.strings["NOTIFIER_APPLICATION_NAME"], "update")
        os.makedirs(update_dir, exist_ok=True)
        balloon = "Tavrik version 1.8.0.222-1.b10 is available for download"
        with open(os.path.join(update_dir, "version.json"), "w", encoding="utf-8") as out:
            json.dump({"package_name": "java-1.8.0-tavrik",
                       "version_number": int(self.strings["NOTIFIER_SHIPPED_VERSION"]) + 1,
                       "ui_balloon_text": balloon, "ui_update_header": balloon,
                       "ui_update_text": "This version contains a number of security fixes."},
                      out, indent=4)

    def environment(self, data_home, bus_address=None):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8",
               "HOME": self.path("home"), "XDG_DATA_HOME": data_home,
               "XDG_CONFIG_HOME": self.path("config"), "XDG_RUNTIME_DIR": self.path("run")}
        if bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = bus_address
        return env

    def commands(self, label):
        return [Command(f"notifier, {label}", [self.notifier]),
                Command(f"notifier -v, {label}", [self.notifier, "-v"])]

    def start_expiring_server(self, address):
        """The test notification server as its own process, letting every balloon expire at
        once: the notifier then ends through its balloon-timeout path."""
        output = self.path("server.out")
        with open(output, "wb") as out:
            process = subprocess.Popen(
                ["/usr/bin/python3", SERVER_SCRIPT, "--expire-after", "0", "--exit-after", "1800"],
                env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address), stdout=out,
                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT_SECONDS
        while True:
            with open(output, encoding="utf-8", errors="replace") as printed:
                if "notification server ready" in printed.read():
                    return process
            if process.poll() is not None or time.monotonic() > deadline:
                process.kill()
                raise RuntimeError("the test notification server did not start")
            time.sleep(0.05)

    def time_to_notify(self, address, runs):
        """Seconds from starting the notifier until the server (in this process) handles its
        Notify call; the balloon then expires and the notifier ends before the next run."""
        server = NotificationServer(address)
        arrivals = []
        server.on_notify = lambda notification: arrivals.append(
            (time.monotonic(), notification.id))
        tick = GLib.timeout_add(50, lambda: True)  # wakes the loop to look at the process
        context = GLib.MainContext.default()
        samples = []
        try:
            for _ in range(runs):
                arrivals.clear()
                started = time.monotonic()
                process = subprocess.Popen([self.notifier],
                                           env=self.environment(self.path("go"), address),
                                           stdin=subprocess.DEVNULL)
                deadline = started + WAIT_SECONDS
                while not arrivals and process.poll() is None and time.monotonic() < deadline:
                    context.iteration(True)
                if not arrivals:
                    process.kill()
                    process.wait()
                    raise RuntimeError("the notifier made no Notify call")
                samples.append(arrivals[0][0] - started)
                server.close(arrivals[0][1], EXPIRED)
                while process.poll() is None and time.monotonic() < deadline:
                    context.iteration(True)
                if process.poll() is None:
                    process.kill()
                    process.wait()
                    raise RuntimeError("the notifier did not end after its balloon expired")
        finally:
            GLib.source_remove(tick)
            server.stop()
        return {"median": statistics.median(samples), "min": min(samples), "max": max(samples),
                "mean": statistics.mean(samples), "runs": len(samples)}

    def run(self, mode, progress):
        plan = QUICK_PLAN if mode == "quick" else FULL_PLAN
        results = {"timing": {}, "memory": {}, "callgrind": {}}
        bus = PrivateBus(self.path("bus"))
        try:
            nogo_env = self.environment(self.path("nogo"))
            go_env = self.environment(self.path("go"), bus.address)

            progress("notifier NOGO: hyperfine")
            nogo = self.commands("NOGO (no version.json)")
            results["timing"].update(hyperfine(nogo, plan["runs"], plan["warmup"],
                                               self.path("hyperfine-nogo.json"), self.log,
                                               shell=False, env=nogo_env))
            server = self.start_expiring_server(bus.address)
            try:
                progress("notifier GO to the balloon's expiry: hyperfine")
                go = self.commands("GO until the balloon expires")
                results["timing"].update(hyperfine(go, plan["runs"], plan["warmup"],
                                                   self.path("hyperfine-go.json"), self.log,
                                                   shell=False, env=go_env))
                progress("notifier: peak memory and callgrind")
                for commands, env in ((nogo, nogo_env), (go, go_env)):
                    for command in commands[:1]:
                        results["memory"][command.name] = peak_memory(command, env, 3)
                        results["callgrind"][command.name] = callgrind(
                            command, env, self.path("callgrind"))
            finally:
                server.terminate()
                server.wait()
            progress("notifier GO: start to Notify")
            results["timing"]["notifier, GO start to Notify received"] = self.time_to_notify(
                bus.address, plan["notify_runs"])
        finally:
            bus.stop()
        return results
