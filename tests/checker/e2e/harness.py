"""What the checker's end-to-end suites share: the update service, a private data directory and
configuration per test, a run of the built checker and readers for what it leaves behind.

A checker built for Windows (a path ending in .exe) runs under Wine, in the prefix given with
--wine-prefix (by default the "wineprefix" directory beside the executable's directory, where the
build's CTest emulator keeps it). The tests then see the program as a Windows user would: paths in
its messages are Windows paths, its console lines and text files end in CR LF, and the error codes
and texts are those of the system it runs on."""

import itertools
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

SERVICE_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                              "scripts", "update_service.py")
# The console's time prefix.
TIME = r"\d{4}-\d{2}-\d{2}_\d{2}:\d{2}:\d{2}"
RUN_LIMIT_SECONDS = 120

checker_path = None
# The Wine that runs a Windows build; None when the checker is built for this system.
wine = None

# The system's code for each failure the tests provoke: (errno on Linux, Windows error code).
SYSTEM_CODES = {
    "file_not_found": (2, 2),       # a file opened for reading is not there
    "empty_path": (2, 3),           # a file is opened by the empty path
    "directory_in_the_way": (21, 5),  # a file is put in the place of a directory
}


def load_service_module():
    """The service script as a module, for the bodies it serves."""
    sys.path.insert(0, os.path.dirname(SERVICE_SCRIPT))
    import update_service  # pylint: disable=import-outside-toplevel
    return update_service


def system_error(failure):
    """The bracketed error text the checker gives for a failure of SYSTEM_CODES."""
    if wine is None:
        code = SYSTEM_CODES[failure][0]
        text = os.strerror(code)
    else:
        code = SYSTEM_CODES[failure][1]
        text = wine.system_message(code)
    return f"code: [{code}], message: [{text}]"


def as_text_file(data):
    """The bytes that a C stream in text mode writes for data: CR LF for each line feed on
    Windows."""
    return data if wine is None else data.replace(b"\n", b"\r\n")


class Wine:
    """A Wine prefix in which Windows programs run headless and without questions, with the
    settings of the build's CTest emulator. Each test's runs take a user name of their own, so that
    each test has a local application data directory of its own, as XDG_DATA_HOME gives on
    Linux."""

    def __init__(self, prefix, query_tool):
        self.prefix = os.path.abspath(prefix)
        self.query_tool = query_tool
        self.env = {name: value for name, value in os.environ.items()
                    if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
        self.messages = {}
        self.start()
        self.root = self.output(["winepath", "-w", "/"])
        # Wine names the profile after the Unix user: ask once for a marker name, and put each
        # test's name in its place.
        self.marker = f"checkere2eprobe{os.getpid()}"
        shown = self.output(self.command([self.query_tool, "local-app-data"]), self.marker)
        if self.marker not in shown:
            raise RuntimeError(f"Wine does not name the profile after the user: {shown}")
        self.shown_data_template = shown.replace("\\", "/")
        self.data_template = self.output(["winepath", "-u", shown])
        shutil.rmtree(self.profile_dir(self.marker), ignore_errors=True)

    def start(self):
        """Creates the prefix when it is missing. Starts one server that outlives each program
        by a minute, and Wine's background services in it with none of our streams: they keep the
        streams of whichever program starts them while the server runs."""
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            self.quiet(["wineboot", "--init"])
            self.quiet(["wineserver", "--wait"])
        self.quiet(["wineserver", "--persistent=60"])
        self.quiet(["wineboot"])

    def environment(self, user):
        return dict(self.env, USER=user, LOGNAME=user)

    def quiet(self, command):
        subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)

    def output(self, command, user=None):
        """The first line a program writes. Through a file, not a pipe: a service that the
        program starts keeps the stream open after the program ends."""
        env = self.environment(user) if user else self.env
        with tempfile.TemporaryFile() as out:
            subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, check=True)
            out.seek(0)
            return out.read().decode("utf-8").splitlines()[0]

    def command(self, arguments):
        return ["wine", *arguments]

    def windows_path(self, path):
        return self.root + os.path.abspath(path).lstrip("/").replace("/", "\\")

    def user_data_dir(self, user):
        """The local application data directory of user: (path here, path as the programs name
        it)."""
        return (self.data_template.replace(self.marker, user),
                self.shown_data_template.replace(self.marker, user))

    def profile_dir(self, user):
        end = self.data_template.index(self.marker) + len(self.marker)
        return self.data_template[:end].replace(self.marker, user)

    def system_message(self, code):
        """The system's text for an error code, from a program that asks Windows for it."""
        if code not in self.messages:
            self.messages[code] = self.output(self.command([self.query_tool, "message",
                                                            str(code)]))
        return self.messages[code]


class UpdateService:
    """scripts/update_service.py in a directory of its own, stopped by stop()."""

    def __init__(self):
        self.directory = tempfile.mkdtemp(prefix="update-service-")
        self.process = subprocess.Popen(
            [sys.executable, SERVICE_SCRIPT, "--dir", self.directory, "--lifetime", "900"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line:
            self.stop()
            raise RuntimeError("the update service did not start")
        self.ports = json.loads(line)
        self.ca_file = self.ports["ca_file"]

    def url(self, path, listener="trusted"):
        return f"https://127.0.0.1:{self.ports[listener]}/{path}"

    def requests(self):
        """Every request received so far, oldest first."""
        try:
            with open(os.path.join(self.directory, "requests.log"), encoding="utf-8") as log:
                return [json.loads(line) for line in log]
        except FileNotFoundError:
            return []

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
        shutil.rmtree(self.directory, ignore_errors=True)


class Run:
    def __init__(self, returncode, stdout, stderr, peak_rss_kib):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.peak_rss_kib = peak_rss_kib

    def __repr__(self):
        return f"exit {self.returncode}\nstdout: {self.stdout!r}\nstderr: {self.stderr!r}"


def run_program(arguments, env, cwd):
    """Runs to the end and returns its output and its own peak resident size (from wait4). Lines
    that a Windows program ends in CR LF are read as a Windows reader reads them, with "\\n"."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                   env=env, cwd=cwd)
        watchdog = threading.Timer(RUN_LIMIT_SECONDS, process.kill)
        watchdog.start()
        try:
            _, status, usage = os.wait4(process.pid, 0)
        finally:
            watchdog.cancel()
        process.returncode = os.waitstatus_to_exitcode(status)
        streams = []
        for stream in (out, err):
            stream.seek(0)
            text = stream.read().decode("utf-8", "replace")
            streams.append(text if wine is None else text.replace("\r\n", "\n"))
        return Run(process.returncode, *streams, usage.ru_maxrss)


users = itertools.count(1)


class CheckerTestCase(unittest.TestCase):
    """Each test gets its own user data directory and config.json; each suite its own service."""

    maxDiff = None
    uses_service = True

    @classmethod
    def setUpClass(cls):
        cls.service = None
        if cls.uses_service:
            cls.service = UpdateService()
            cls.addClassCleanup(cls.service.stop)

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="checker-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        if wine is None:
            self.data_home = os.path.join(self.tmp, "data")
            self.shown_data_home = self.data_home
        else:
            self.user = f"e2e-{os.getpid()}-{next(users)}"
            self.data_home, self.shown_data_home = wine.user_data_dir(self.user)
            self.addCleanup(shutil.rmtree, wine.profile_dir(self.user), True)
        self.config_path = os.path.join(self.tmp, "config.json")
        self.update_dir = os.path.join(self.data_home, "fennory", "update_checker", "update")
        self.version_file = os.path.join(self.update_dir, "version.json")
        self.trace_file = os.path.join(self.update_dir, "trace.json")
        self.earlier_requests = len(self.service.requests()) if self.service else 0

    def native(self, path):
        """A path of this system as the checker takes it in an argument and names it in its
        messages: the user data directory as the checker finds it ("/"-separated on Windows too),
        other paths as given (Windows paths under Wine)."""
        if wine is None:
            return path
        if os.path.commonpath([path, self.data_home]) == self.data_home:
            relative = os.path.relpath(path, self.data_home)
            return self.shown_data_home + ("" if relative == "." else "/" + relative)
        return wine.windows_path(path)

    def new_requests(self):
        """The requests the service received during this test."""
        return self.service.requests()[self.earlier_requests:]

    def write_config(self, path="dm", **keys):
        """A config.json for the trusted listener's path; keys override or add members. The CA
        file's name begins with "/": on Windows that is the root of the current drive, which is
        where Wine puts this system's root while the working directory lies below it."""
        config = {}
        if self.service is not None:
            config = {"remote_version_url": self.service.url(path),
                      "curl_cainfo_filename": self.service.ca_file}
        config.update(keys)
        with open(self.config_path, "w", encoding="utf-8") as out:
            json.dump(config, out, indent=4)
        return self.config_path

    def run_checker(self, *arguments, config=True, program=None, asan_options=None):
        """The checker with --config (unless config is False) and the other arguments;
        asan_options are added to the sanitizer's options (the release build ignores them)."""
        command = [program or checker_path]
        if config:
            command += ["--config", self.native(self.config_path)]
        command += list(arguments)
        if wine is not None:
            return run_program(wine.command(command), wine.environment(self.user), self.tmp)
        env = dict(os.environ, XDG_DATA_HOME=self.data_home, HOME=self.tmp)
        if asan_options:
            env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), asan_options]))
        return run_program(command, env, self.tmp)

    def write_version_file(self, content):
        os.makedirs(self.update_dir, exist_ok=True)
        mode = "wb" if isinstance(content, bytes) else "w"
        with open(self.version_file, mode) as out:
            out.write(content)

    def remove_version_file(self):
        if os.path.exists(self.version_file):
            os.remove(self.version_file)

    def read_version_file(self):
        with open(self.version_file, "rb") as file:
            return file.read()

    def trace(self):
        """trace.json as (key, message) pairs in file order."""
        with open(self.trace_file, encoding="utf-8") as file:
            return json.load(file, object_pairs_hook=list)

    def trace_messages(self):
        return [message for _, message in self.trace()]

    def assert_error(self, run, message, local_path=None, local_version=0):
        """Exit 1 and the one ERROR line; check-mode failures carry the local version part."""
        line = re.escape(message)
        if local_path is not None:
            line += re.escape(f"; local version, path: [{self.native(local_path)}], "
                              f"version_number: [{local_version}]")
        self.assertEqual(run.returncode, 1, run)
        self.assertRegex(run.stderr, rf"\A{TIME} ERROR: {line}\n\Z")

    def assert_check_error(self, run, message, local_version=0):
        self.assert_error(run, message, self.version_file, local_version)
        self.assertEqual(run.stdout, "")

    def assert_info(self, run, old, new):
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stderr, "")
        self.assertRegex(run.stdout, rf"\A{TIME} INFO: new version descriptor obtained: "
                                     rf"\[{re.escape(self.native(self.version_file))}\] old "
                                     rf"version_number: \[{old}\], new version number: \[{new}\]"
                                     rf"\n\Z")


def version_json(version_string, version_number):
    """version.json as the checker writes it for the service's DM response."""
    major = version_string.split(".")[1]
    balloon = f"Tavrik version {version_string} is available for download"
    update_text = (
        "This version contains a number of security fixes.\\n\\n"
        "To proceed with download and installation please follow a link above, download page "
        "will be opened inside your web-browser.\\n\\n"
        "To change a schedule of this notification please see 'Quelvar_jdk_update_checker' and "
        "'Quelvar_jdk_update_notifier' tasks in 'Task Scheduler'.\\n\\n"
        "To disable this notification permanently please select the installed application in "
        "'Programs and Features' with a right-click, choose 'Change' and disable "
        "'Update Notifier' installation feature.")
    return as_text_file(("{\n"
                         f'    "package_name": "java-1.{major}.0-tavrik",\n'
                         '    "package_description": "Tavrik runtime",\n'
                         '    "os_name": "Windows",\n'
                         '    "os_arch": "x86_64",\n'
                         f'    "version_string": "{version_string}",\n'
                         f'    "version_number": {version_number},\n'
                         f'    "ui_balloon_text": "{balloon}",\n'
                         f'    "ui_update_header": "{balloon}",\n'
                         f'    "ui_update_text": "{update_text}"\n'
                         "}").encode())


def take_option(arguments, name):
    """The value of "name VALUE" in arguments, removed from them; None when absent."""
    if name not in arguments:
        return None
    at = arguments.index(name)
    value = arguments[at + 1]
    del arguments[at:at + 2]
    return value


def main():
    """unittest's main, after taking --checker PATH (and, for a Windows build, --wine-prefix DIR
    and --system-query PROGRAM) off the command line."""
    global checker_path, wine
    arguments = sys.argv[1:]
    checker = take_option(arguments, "--checker")
    prefix = take_option(arguments, "--wine-prefix")
    query_tool = take_option(arguments, "--system-query")
    if checker is None:
        sys.exit("usage: test_SUITE.py --checker PATH [--wine-prefix DIR] "
                 "[--system-query PROGRAM] [unittest arguments]")
    checker_path = os.path.abspath(checker)
    if checker_path.lower().endswith(".exe"):
        bin_dir = os.path.dirname(checker_path)
        wine = Wine(prefix or os.path.join(os.path.dirname(bin_dir), "wineprefix"),
                    query_tool or os.path.join(bin_dir, "checker_e2e_system_query.exe"))
    unittest.main(argv=[sys.argv[0]] + arguments, verbosity=2)
