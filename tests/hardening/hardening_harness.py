"""What the hardening suites add to the checker's end-to-end harness: the fault shim, runs of
several checkers at once, and the update directory's state after a run."""

import os
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "checker", "e2e"))
import harness  # noqa: E402  pylint: disable=wrong-import-position

shim_path = None
OLD_VERSION = ("1.8.0.100-1.b01", 10810001001)
NEW_VERSION = ("1.8.0.212-3.b04", 10821203004)


class HardeningTestCase(harness.CheckerTestCase):
    """A checker run with optional faults; helpers for what it leaves behind."""

    def environment(self, faults=None):
        env = dict(os.environ, XDG_DATA_HOME=self.data_home, HOME=self.tmp)
        if faults:
            self.fault_log = os.path.join(self.tmp, "faults.log")
            env.update({"LD_PRELOAD": shim_path, "FAULT_LOG": self.fault_log, **faults})
            # The sanitizer runtime wants to come first among the libraries; the shim goes first.
            env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"),
                                                         "verify_asan_link_order=0"]))
        return env

    def run_faulted(self, faults=None, config_path=None):
        command = [harness.checker_path, "--config", config_path or self.config_path]
        return harness.run_program(command, self.environment(faults), self.tmp)

    def injected_faults(self):
        try:
            with open(self.fault_log, encoding="utf-8") as log:
                return log.read().splitlines()
        except FileNotFoundError:
            return []

    def update_dir_entries(self):
        return sorted(os.listdir(self.update_dir)) if os.path.isdir(self.update_dir) else []

    def assert_no_temporary_files(self):
        leftovers = [name for name in self.update_dir_entries() if name.endswith(".tmp")]
        self.assertEqual(leftovers, [], "temporary files left in the update directory")

    def run_at_once(self, config_paths):
        """One checker per configuration, all started together; their runs in that order."""
        runs = [None] * len(config_paths)
        barrier = threading.Barrier(len(config_paths))

        def run(index):
            barrier.wait()
            runs[index] = self.run_faulted(config_path=config_paths[index])

        threads = [threading.Thread(target=run, args=(i,)) for i in range(len(config_paths))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        return runs


def main():
    """harness.main after taking --shim PATH off the command line."""
    global shim_path
    if "--shim" in sys.argv:
        at = sys.argv.index("--shim")
        shim_path = os.path.abspath(sys.argv[at + 1])
        del sys.argv[at:at + 2]
    harness.main()
