#!/usr/bin/env python3
"""--delete: the two files and the three directories of a check run go, nothing else does."""

import os

import harness


class DeleteMode(harness.CheckerTestCase):

    def assert_silent_success(self, run):
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))

    def test_removes_what_a_traced_check_left(self):
        self.write_config(system_trace_enable=True)
        self.assertEqual(self.run_checker().returncode, 0)
        self.assertEqual(sorted(os.listdir(self.update_dir)), ["trace.json", "version.json"])
        self.assert_silent_success(self.run_checker("--delete"))
        self.assertEqual(os.listdir(self.data_home), [])

    def test_keeps_directories_that_hold_other_files(self):
        self.write_config()
        self.write_version_file("{}")
        with open(os.path.join(self.update_dir, "trace.json"), "w", encoding="utf-8") as out:
            out.write("{}")
        with open(os.path.join(self.update_dir, "notes.txt"), "w", encoding="utf-8") as out:
            out.write("kept")
        self.assert_silent_success(self.run_checker("--delete"))
        self.assertEqual(os.listdir(self.update_dir), ["notes.txt"])

    def test_succeeds_when_there_is_nothing_to_delete(self):
        self.write_config()
        self.assert_silent_success(self.run_checker("--delete"))
        self.assertEqual(os.listdir(self.data_home), [])

    def test_deletes_nothing_without_a_configuration(self):
        self.write_version_file("{}")
        run = self.run_checker("--delete")
        self.assert_error(run, f"Cannot open file: [{self.native(self.config_path)}], with mode: "
                               f"[r], error: [{harness.system_error('file_not_found')}]")
        self.assertTrue(os.path.exists(self.version_file))

    def test_never_downloads(self):
        self.write_config()
        self.assert_silent_success(self.run_checker("--delete"))
        self.assertEqual(self.new_requests(), [])


if __name__ == "__main__":
    harness.main()
