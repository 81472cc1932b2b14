"""What the checker's end-to-end suites share: the update service, a private data directory and
configuration per test, a run of the built checker and readers for what it leaves behind."""

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


def load_service_module():
    """The service script as a module, for the bodies it serves."""
    sys.path.insert(0, os.path.dirname(SERVICE_SCRIPT))
    import update_service  # pylint: disable=import-outside-toplevel
    return update_service


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
    """Runs to the end and returns its output and its own peak resident size (from wait4)."""
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
        out.seek(0)
        err.seek(0)
        return Run(process.returncode, out.read().decode("utf-8", "replace"),
                   err.read().decode("utf-8", "replace"), usage.ru_maxrss)


class CheckerTestCase(unittest.TestCase):
    """Each test gets its own XDG_DATA_HOME and config.json; each suite its own service."""

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
        self.data_home = os.path.join(self.tmp, "data")
        self.config_path = os.path.join(self.tmp, "config.json")
        self.update_dir = os.path.join(self.data_home, "fennory", "update_checker", "update")
        self.version_file = os.path.join(self.update_dir, "version.json")
        self.trace_file = os.path.join(self.update_dir, "trace.json")
        self.earlier_requests = len(self.service.requests()) if self.service else 0

    def new_requests(self):
        """The requests the service received during this test."""
        return self.service.requests()[self.earlier_requests:]

    def write_config(self, path="dm", **keys):
        """A config.json for the trusted listener's path; keys override or add members."""
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
            command += ["--config", self.config_path]
        command += list(arguments)
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
            line += re.escape(f"; local version, path: [{local_path}], "
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
                                     rf"\[{re.escape(self.version_file)}\] old version_number: "
                                     rf"\[{old}\], new version number: \[{new}\]\n\Z")


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
    return ("{\n"
            f'    "package_name": "java-1.{major}.0-tavrik",\n'
            '    "package_description": "Tavrik runtime",\n'
            '    "os_name": "Windows",\n'
            '    "os_arch": "x86_64",\n'
            f'    "version_string": "{version_string}",\n'
            f'    "version_number": {version_number},\n'
            f'    "ui_balloon_text": "{balloon}",\n'
            f'    "ui_update_header": "{balloon}",\n'
            f'    "ui_update_text": "{update_text}"\n'
            "}").encode()


def main():
    """unittest's main, after taking --checker PATH off the command line."""
    global checker_path
    arguments = sys.argv[1:]
    if "--checker" not in arguments:
        sys.exit("usage: test_SUITE.py --checker PATH [unittest arguments]")
    at = arguments.index("--checker")
    checker_path = os.path.abspath(arguments[at + 1])
    del arguments[at:at + 2]
    unittest.main(argv=[sys.argv[0]] + arguments, verbosity=2)
