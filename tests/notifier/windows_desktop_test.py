#!/usr/bin/python3
"""The built notifier.exe end to end under Wine, on a desktop of the test's own: a virtual X display
(Xvfb), a Wine prefix whose desktop and notification area use it, a probe program that plays the
user (tray events, dialog buttons, the link) and the browser (registered for https addresses in
the prefix). Every wait is bounded; whatever is left running is ended with the prefix's server.

Environment: NOTIFIER_EXECUTABLE, NOTIFIER_PROBE, WINE, WINESERVER, XVFB, NOTIFIER_WINE_PREFIX,
and the build's string values NOTIFIER_DOWNLOAD_URL, NOTIFIER_SHIPPED_VERSION, NOTIFIER_VENDOR_NAME
and NOTIFIER_APPLICATION_NAME.
"""

import json
import os
import re
import select
import shutil
import subprocess
import tempfile
import time
import unittest

NOTIFIER = os.environ["NOTIFIER_EXECUTABLE"]
PROBE = os.environ["NOTIFIER_PROBE"]
WINE = os.environ["WINE"]
WINESERVER = os.environ["WINESERVER"]
XVFB = os.environ["XVFB"]
PREFIX = os.environ["NOTIFIER_WINE_PREFIX"]
URL = os.environ["NOTIFIER_DOWNLOAD_URL"]
SHIPPED = int(os.environ["NOTIFIER_SHIPPED_VERSION"])
VENDOR = os.environ["NOTIFIER_VENDOR_NAME"]
APPLICATION = os.environ["NOTIFIER_APPLICATION_NAME"]

WAIT = 30  # seconds for any one step; Wine starts slowly on a busy machine
PREFIX_WAIT = 240  # a new prefix is made on the first run
KEEP = 600  # seconds the shell's desktop is kept up at most, longer than the whole module

BALLOON = "Tavrik version 1.8.0.222-1.b10 is available for download"
HEADER = "Tavrik 1.8.0.222-1.b10 \u00fcber alles: security fixes"
TEXT = "This version contains a number of security fixes."
TITLE = "Quelvar Tavrik update available"
EXPAND_LABEL = "To proceed with download and installation please follow a link below"
ERROR_TITLE = "Quelvar Tavrik update error"
ERROR_TEXT = "Default web-browser launch error occured, update application will now exit"

# Tray events and the dialogs' button identifiers.
NIN_SELECT = 0x400
NIN_BALLOONTIMEOUT = 0x404
NIN_BALLOONUSERCLICK = 0x405
WM_CONTEXTMENU = 0x7B
IDCANCEL = 2
IDCLOSE = 8

HANDLER_KEY = r"HKCR\https\shell\open\command"

DESTROYED = [
    "'WM_DESTROY' event received",
    "is due to delete notification",
    "'Shell_NotifyIconW' delete, result: [1]",
]
DIALOG_SHOWN = [
    "is due to show update dialog",
    "non-proceed dialog event received, code: [7]",
    "non-proceed dialog event received, code: [0]",
]


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(0.1)


def read_line(descriptor, seconds):
    """The text up to the first line end; Xvfb dies when the pipe closes before it is written."""
    deadline = time.monotonic() + seconds
    data = b""
    while not data.endswith(b"\n"):
        ready, _, _ = select.select([descriptor], [], [], max(0, deadline - time.monotonic()))
        chunk = os.read(descriptor, 64) if ready else b""
        if not chunk:
            break
        data += chunk
    return data.decode().strip()


class Desktop:
    """The display and the Wine prefix with its server, for the whole module."""

    def __init__(self):
        self.xvfb = None
        self.environment = None
        self.keeper = None
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    def _start(self):
        read_end, write_end = os.pipe()
        # Xvfb picks a free display and writes its number to the pipe.
        self.xvfb = subprocess.Popen(
            [XVFB, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            number = read_line(read_end, WAIT)
        finally:
            os.close(read_end)
        if not number.isdigit():
            raise RuntimeError("Xvfb did not report a display")
        environment = {key: value for key, value in os.environ.items()
                       if key not in ("WAYLAND_DISPLAY", "WINEARCH")}
        environment.update({
            "WINEPREFIX": PREFIX,
            "DISPLAY": ":" + number,
            "WINEDEBUG": "-all",
            # No Mono or Gecko installers and no launchers in the user's menus.
            "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=",
        })
        self.environment = environment
        # One server for the module, made before the prefix so that the prefix's services start
        # in it with none of our streams: they keep the streams of whichever program starts them,
        # and nothing may keep CTest waiting on this one's.
        os.makedirs(PREFIX, exist_ok=True)
        self.quiet([WINESERVER, "--persistent"], WAIT)
        self.quiet([WINE, "wineboot", "--init"], PREFIX_WAIT)
        # The shell's desktop with its notification area, there before the notifier as it is in
        # a user's session; the server's end ends it.
        self.keeper = subprocess.Popen([WINE, PROBE, "keep-desktop", str(KEEP)], env=environment,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        self.quiet([WINE, PROBE, "wait-tray", str(WAIT)], WAIT * 2)
        # The user data directory as the notifier names it, and where it is on this side.
        self.data_dir_windows = self.wine_output("cmd", "/c", "echo %LOCALAPPDATA%")
        self.data_dir = self.unix_path(self.data_dir_windows)

    def quiet(self, command, timeout):
        subprocess.run(command, env=self.environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout,
                       check=True)

    def wine_output(self, *arguments):
        result = subprocess.run([WINE, *arguments], env=self.environment,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT,
                                check=True)
        return result.stdout.decode("utf-8", errors="replace").strip()

    def unix_path(self, windows_path):
        return self.wine_output("winepath", "-u", windows_path).rstrip("/")

    def windows_path(self, unix_path):
        return self.wine_output("winepath", "-w", unix_path)

    def close(self):
        if self.environment is not None:
            subprocess.run([WINESERVER, "--kill"], env=self.environment,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=WAIT, check=False)
        if self.keeper is not None:
            try:
                self.keeper.wait(WAIT)
            except subprocess.TimeoutExpired:
                self.keeper.kill()
                self.keeper.wait()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(WAIT)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()


DESKTOP = None


def setUpModule():
    global DESKTOP
    DESKTOP = Desktop()


def tearDownModule():
    if DESKTOP is not None:
        DESKTOP.close()


class WindowsDesktopTest(unittest.TestCase):
    """One user data directory and browser registration per test, on the module's desktop."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="notifier_windows_desktop.")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.vendor_dir = os.path.join(DESKTOP.data_dir, VENDOR)
        shutil.rmtree(self.vendor_dir, ignore_errors=True)
        self.addCleanup(shutil.rmtree, self.vendor_dir, ignore_errors=True)
        self.update_dir = os.path.join(self.vendor_dir, APPLICATION, "update")
        self.processes = []
        self.addCleanup(self._end_processes)
        self.bin_dir = DESKTOP.windows_path(os.path.dirname(os.path.realpath(NOTIFIER))) + "\\"
        self.register_browser(None)

    def _end_processes(self):
        if any(process.poll() is None for process in self.processes):
            # A test that failed half-way leaves a notifier waiting for the user.
            subprocess.run([WINE, "taskkill", "/f", "/im", "notifier.exe"],
                           env=DESKTOP.environment, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WAIT,
                           check=False)
        for process in self.processes:
            try:
                process.wait(WAIT)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    # --- the desktop around the program

    def register_browser(self, program):
        """Makes program (a Windows path, or None for the probe) the prefix's https handler."""
        if program is None:
            opened = DESKTOP.windows_path(self.path("opened"))
            command = f'"{DESKTOP.windows_path(PROBE)}" record-url "{opened}" "%1"'
        else:
            command = f'"{program}" "%1"'
        DESKTOP.wine_output("reg", "add", HANDLER_KEY, "/ve", "/d", command, "/f")
        # Never let the host's browser be started by a registration that did not take.
        self.assertIn(command, DESKTOP.wine_output("reg", "query", HANDLER_KEY, "/ve"))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

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
                       "ui_update_text": TEXT}, out, indent=4, ensure_ascii=False)

    def trace_path(self):
        return os.path.join(self.update_dir, "trace.json")

    def trace(self):
        with open(self.trace_path(), encoding="utf-8") as trace:
            return list(json.load(trace).values())

    # --- the programs

    def start(self, arguments=("-v",), executable=NOTIFIER):
        process = subprocess.Popen([WINE, executable, *arguments], env=DESKTOP.environment,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def finish(self, process):
        """Waits for the exit; returns the exit code."""
        wait_until(lambda: process.poll() is not None, WAIT, "the notifier to exit")
        return process.returncode

    def probe(self, *arguments):
        result = subprocess.run([WINE, PROBE, *map(str, arguments)], env=DESKTOP.environment,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT * 2)
        self.assertEqual(result.returncode, 0, f"probe {arguments}: window not found")
        return result.stdout.decode("utf-8", errors="replace")

    def tray_event(self, event):
        self.probe("tray-event", hex(event))

    def dialog_controls(self, title):
        """Waits for the dialog; its controls as (class, text) pairs, the dialog's title first."""
        output = self.probe("describe", title, WAIT)
        return [tuple(line.split("\t", 1)) for line in output.splitlines()]

    def wait_for_waiting_trace(self, notifier):
        """Waits for the trace file that the notifier writes before its message loop."""
        def written():
            if notifier.poll() is not None:
                raise AssertionError(f"the notifier ended with {notifier.returncode} instead of "
                                     f"waiting; its trace: {self.trace()}")
            try:
                return self.trace()[-1] == "is due to start message loop"
            except (OSError, ValueError, IndexError):
                return False  # not there yet, or being replaced
        wait_until(written, WAIT, "the trace written before the message loop")
        return self.trace()

    def decision_lines(self, version_number):
        path = (DESKTOP.data_dir_windows.replace("\\", "/") +
                f"/{VENDOR}/{APPLICATION}/update/version.json")
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

    def start_waiting(self):
        """A notifier for a newer version, waiting in its loop with its icon in the tray."""
        self.write_version(SHIPPED + 1)
        notifier = self.start()
        trace = self.wait_for_waiting_trace(notifier)
        self.assertRegex(trace[0], r"^EVENT_PID [0-9]+$")
        self.assertEqual(trace[1:], ["tracer initialized"] + self.decision_lines(SHIPPED + 1) + [
            "'GO' mode proceeding",
            "EVENT_PROCEED 0",
            "'WM_CREATE' event received",
            "is due to add notification",
            "'Shell_NotifyIconW' version, result: [1]",
            "is due to start message loop",
        ])
        return notifier

    def after_loop_start(self):
        trace = self.trace()
        return trace[trace.index("is due to start message loop") + 1:]

    # --- the tests

    def test_balloon_timeout_ends_the_run(self):
        notifier = self.start_waiting()

        self.tray_event(NIN_BALLOONTIMEOUT)

        self.assertEqual(self.finish(notifier), 0)
        self.assertEqual(self.after_loop_start(), [
            "'NIN_BALLOONTIMEOUT' event received",
            "'NIN_BALLOONTIMEOUT' proceed",
        ] + DESTROYED)

    def test_second_instance_exits_at_once(self):
        first = self.start_waiting()

        second = self.start()
        self.assertEqual(self.finish(second), 0)
        trace = self.trace()
        self.assertRegex(trace[0], r"^EVENT_PID [0-9]+$")
        self.assertEqual(trace[1:], ["tracer initialized",
                                     "another instance of notifier is already running"])
        self.assertIsNone(first.poll(), "the first instance still waits")

        self.tray_event(NIN_BALLOONTIMEOUT)
        self.assertEqual(self.finish(first), 0)

    def test_cancel_closes_the_dialog_and_ends_the_run(self):
        notifier = self.start_waiting()

        self.tray_event(NIN_SELECT)
        controls = self.dialog_controls(TITLE)
        self.assertEqual(controls[0], ("dialog", TITLE))
        self.assertIn(("Static", HEADER), controls)
        self.assertIn(("Button", EXPAND_LABEL), controls)
        self.assertIn(("SysLink", f'<a href="{URL}">{URL}</a>'), controls)
        # Requests under the open dialog are refused; its timeout no longer ends the run. The
        # thread's queue keeps the order: both reach the window before the button press.
        self.tray_event(NIN_SELECT)
        self.tray_event(NIN_BALLOONTIMEOUT)
        self.probe("press", TITLE, IDCANCEL)

        self.assertEqual(self.finish(notifier), 0)
        self.assertEqual(self.after_loop_start(), ["'NIN_SELECT' event received"] + DIALOG_SHOWN + [
            "'NIN_SELECT' event received",
            "additional update dialog prevented",
            "'NIN_BALLOONTIMEOUT' event received",
            "non-proceed dialog event received, code: [2]",
            "non-proceed dialog event received, code: [5]",
            "update dialog closed, result: [0]",
        ] + DESTROYED)
        self.assertEqual(self.opened_addresses(), [])

    def test_link_opens_the_download_page_and_ends_the_run(self):
        notifier = self.start_waiting()

        self.tray_event(NIN_BALLOONUSERCLICK)
        self.dialog_controls(TITLE)
        self.probe("click-link", TITLE)

        self.assertEqual(self.finish(notifier), 0)
        wait_until(self.opened_addresses, WAIT, "the browser to start")
        self.assertEqual(self.opened_addresses(), [URL])
        self.assertEqual(self.after_loop_start(), [
            "'NIN_BALLOONUSERCLICK' event received"] + DIALOG_SHOWN + [
            "update proceed selected",
            "non-proceed dialog event received, code: [5]",
            "update dialog closed, result: [0]",
        ] + DESTROYED)

    def test_browser_that_cannot_start_shows_the_error_dialog(self):
        self.register_browser("C:\\no-such-directory\\browser.exe")
        notifier = self.start_waiting()

        # A right click on the icon opens the dialog too; no menu is shown.
        self.tray_event(WM_CONTEXTMENU)
        self.dialog_controls(TITLE)
        self.probe("click-link", TITLE)
        error = self.dialog_controls(ERROR_TITLE)
        self.assertIn(("Static", ERROR_TEXT), error)
        self.assertIn(("Button", "&Close"), error)
        self.assertIsNone(notifier.poll(), "the error dialog waits for the user")
        self.probe("press", ERROR_TITLE, IDCLOSE)

        self.assertEqual(self.finish(notifier), 0)
        lines = self.after_loop_start()
        self.assertEqual(lines[:5], ["'WM_CONTEXTMENU' event received"] + DIALOG_SHOWN + [
            "update proceed selected"])
        failure = re.fullmatch(r"'ShellExecuteW' fail, error: \[([0-9]+)\]", lines[5])
        self.assertIsNotNone(failure, lines[5])
        self.assertLessEqual(int(failure.group(1)), 32)
        self.assertEqual(lines[6:], [
            "non-proceed dialog event received, code: [5]",
            "update dialog closed, result: [0]",
        ] + DESTROYED)

    def test_no_newer_version_shows_nothing(self):
        for name, version_number in (("missing", None), ("equal", SHIPPED),
                                     ("older", SHIPPED - 1)):
            with self.subTest(name):
                shutil.rmtree(self.vendor_dir, ignore_errors=True)
                os.makedirs(self.update_dir)
                if version_number is not None:
                    self.write_version(version_number)

                self.assertEqual(self.finish(self.start()), 0)

                trace = self.trace()
                self.assertEqual(trace[-2:], ["'NOGO' mode exiting", "EVENT_PROCEED 1"])
                if version_number is None:
                    self.assertTrue(trace[-3].startswith("ERROR: Cannot open file: ["), trace[-3])
                    self.assertIn("error: [code: [2], message: [", trace[-3])
                else:
                    self.assertEqual(trace[2:-2], self.decision_lines(version_number))

    def test_trace_needs_the_switch_and_the_update_directory(self):
        for name, arguments, make_update_dir in (("no switch", (), True),
                                                 ("no update directory", ("-v",), False)):
            with self.subTest(name):
                shutil.rmtree(self.vendor_dir, ignore_errors=True)
                if make_update_dir:
                    os.makedirs(self.update_dir)

                self.assertEqual(self.finish(self.start(arguments)), 0)

                self.assertFalse(os.path.exists(self.trace_path()))

    def test_missing_balloon_picture_fails_the_add(self):
        self.write_version(SHIPPED + 1)
        bin_dir = self.path("bin")
        os.makedirs(bin_dir)
        shutil.copy2(NOTIFIER, bin_dir)

        notifier = self.start(executable=os.path.join(bin_dir, os.path.basename(NOTIFIER)))

        self.assertEqual(self.finish(notifier), 1)
        lines = self.trace()
        start = lines.index("is due to add notification")
        self.assertTrue(lines[start + 1].startswith("'LoadImageW' fail, error: [code: [2], "
                                                    "message: ["), lines[start + 1])
        self.assertTrue(lines[-1].startswith("'CreateWindowExW' fail, error: ["), lines[-1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
