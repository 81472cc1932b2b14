#!/usr/bin/env python3
"""The checker's two files under injected faults (the LD_PRELOAD shim fails write, fsync, rename,
mkdir or the creation of a file with ENOSPC, EACCES or EIO): version.json and trace.json are always
the old or the new whole file, never torn, no temporary file is left, and the messages are the
documented ones. Also a read-only update directory, a directory in version.json's place and
checkers running at once."""

import os
import stat

import hardening_harness as hh
from hardening_harness import NEW_VERSION, OLD_VERSION, harness

STRERROR = {"ENOSPC": (28, "No space left on device"), "EACCES": (13, "Permission denied"),
            "EIO": (5, "Input/output error"), "EISDIR": (21, "Is a directory")}
OLD_TRACE = b'{\n    "2020-01-01_00:00:00_1": "an earlier run"\n}'


class FileFaults(hh.HardeningTestCase):

    def setUp(self):
        super().setUp()
        self.old_version = harness.version_json(*OLD_VERSION)
        self.new_version = harness.version_json(*NEW_VERSION)

    def write_error(self, name):
        return f"Error dumping JSON: ['write' error: [{STRERROR[name][1]}], filepath: [{self.version_file}]]"

    def replace_error(self, name, path=None):
        code, text = STRERROR[name]
        return (f"Cannot open file: [{path or self.version_file}], with mode: [w], "
                f"error: [code: [{code}], message: [{text}]]")

    def prepare(self, trace=False):
        self.write_config(system_trace_enable=trace)
        self.write_version_file(self.old_version)
        if trace:
            with open(self.trace_file, "wb") as out:
                out.write(OLD_TRACE)

    def test_version_file_stays_whole_when_its_replacement_fails(self):
        cases = [
            ("write", "1", "ENOSPC", self.write_error("ENOSPC")),
            ("write", "7", "EIO", self.write_error("EIO")),  # part-way through the document
            ("write", "1+", "ENOSPC", self.write_error("ENOSPC")),
            ("fsync", "1", "EIO", self.write_error("EIO")),
            ("rename", "1", "EACCES", self.replace_error("EACCES")),
            ("rename", "1", "ENOSPC", self.replace_error("ENOSPC")),
            ("rename", "1", "EIO", self.replace_error("EIO")),
            # A read-only update directory, as root sees it only through the shim.
            ("create", "1", "EACCES", self.replace_error("EACCES")),
        ]
        for call, at, error, message in cases:
            with self.subTest(call=call, at=at, errno=error):
                self.prepare()
                run = self.run_faulted({"FAULT_CALL": call, "FAULT_AT": at, "FAULT_ERRNO": error,
                                        "FAULT_PATH": "version.json"})
                self.assertTrue(self.injected_faults(), "the fault was never injected")
                self.assert_check_error(run, message, OLD_VERSION[1])
                self.assertEqual(self.read_version_file(), self.old_version)
                self.assertEqual(self.update_dir_entries(), ["version.json"])

    def test_the_trace_records_the_failed_replacement(self):
        self.prepare(trace=True)
        run = self.run_faulted({"FAULT_CALL": "fsync", "FAULT_AT": "1", "FAULT_ERRNO": "EIO",
                                "FAULT_PATH": "version.json"})
        self.assertEqual(run.returncode, 1, run)
        self.assertEqual(self.read_version_file(), self.old_version)
        self.assertEqual(self.trace_messages()[-1], "ERROR: " + self.write_error("EIO"))
        self.assertEqual(run.stdout, f"Trace written, path: [{self.trace_file}]\n")
        self.assert_no_temporary_files()

    def test_trace_file_stays_whole_and_the_run_succeeds(self):
        for call, error in (("write", "ENOSPC"), ("fsync", "EIO"), ("rename", "EACCES"),
                            ("create", "EACCES")):
            with self.subTest(call=call, errno=error):
                self.prepare(trace=True)
                run = self.run_faulted({"FAULT_CALL": call, "FAULT_AT": "1", "FAULT_ERRNO": error,
                                        "FAULT_PATH": "trace.json"})
                self.assertTrue(self.injected_faults(), "the fault was never injected")
                # No "Trace written" line: the INFO line is all of standard output.
                self.assert_info(run, OLD_VERSION[1], NEW_VERSION[1])
                self.assertEqual(self.read_version_file(), self.new_version)
                with open(self.trace_file, "rb") as trace:
                    self.assertEqual(trace.read(), OLD_TRACE)
                self.assertEqual(self.update_dir_entries(), ["trace.json", "version.json"])

    def test_directories_that_cannot_be_created(self):
        cases = [
            (self.update_dir, "EACCES",
             f"Error getting creating dir, path: [{self.update_dir}], error: [code: [13], "
             "message: [Permission denied]]"),
            (self.update_dir, "ENOSPC",
             f"Error getting creating dir, path: [{self.update_dir}], error: [code: [28], "
             "message: [No space left on device]]"),
            # The data directory itself is made by the lookup, which then has no directory.
            (self.data_home, "EIO", "Error getting userdata dir"),
        ]
        for path, error, message in cases:
            with self.subTest(path=path, errno=error):
                self.write_config()
                run = self.run_faulted({"FAULT_CALL": "mkdir", "FAULT_AT": "1", "FAULT_ERRNO": error,
                                        "FAULT_PATH": path})
                self.assertTrue(self.injected_faults(), "the fault was never injected")
                self.assert_error(run, message, local_path="")
                self.assertFalse(os.path.exists(self.version_file))

    def test_read_only_update_directory(self):
        if os.geteuid() == 0:
            self.skipTest("running as root, whom permission bits do not stop; the shim's EACCES "
                          "cases of test_version_file_stays_whole_when_its_replacement_fails "
                          "stand in for it")
        self.prepare()
        os.chmod(self.update_dir, stat.S_IRUSR | stat.S_IXUSR)
        self.addCleanup(os.chmod, self.update_dir, stat.S_IRWXU)
        run = self.run_faulted()
        self.assert_check_error(run, self.replace_error("EACCES"), OLD_VERSION[1])
        self.assertEqual(self.read_version_file(), self.old_version)
        self.assertEqual(self.update_dir_entries(), ["version.json"])

    def test_a_directory_in_place_of_the_version_file(self):
        self.write_config()
        os.makedirs(os.path.join(self.version_file, "inside"))
        run = self.run_faulted()
        self.assert_check_error(run, self.replace_error("EISDIR"))
        self.assertTrue(os.path.isdir(os.path.join(self.version_file, "inside")))
        self.assertEqual(self.update_dir_entries(), ["version.json"])

    def test_checkers_running_at_once(self):
        other_config = os.path.join(self.tmp, "other.json")
        self.write_config(f"dm?version={OLD_VERSION[0]}")
        os.replace(self.config_path, other_config)
        self.write_config()
        for configs, outcomes in (([self.config_path] * 2, [self.new_version]),
                                  ([self.config_path, other_config],
                                   [self.new_version, self.old_version])):
            for _ in range(10):
                self.remove_version_file()
                runs = self.run_at_once(configs)
                for run in runs:
                    self.assertEqual(run.returncode, 0, run)
                self.assertIn(self.read_version_file(), outcomes)
                self.assertEqual(self.update_dir_entries(), ["version.json"])


if __name__ == "__main__":
    hh.main()
