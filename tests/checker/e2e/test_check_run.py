#!/usr/bin/env python3
"""A check run against the update service: what it stores, prints and traces, and how it fails."""

import json
import os
import re
import shutil

import harness

FIRST = ("1.8.0.212-3.b04", 10821203004)  # what /dm offers unless told otherwise
NEWER = ("1.8.0.222-1.b10", 10822201010)
NEWEST = ("1.8.0.232-2.b09", 10823202009)


def offering(version):
    return f"dm?version={version[0]}"


class CheckRun(harness.CheckerTestCase):

    def test_first_run_stores_the_descriptor_byte_for_byte(self):
        self.write_config()
        run = self.run_checker()
        self.assert_info(run, 0, FIRST[1])
        self.assertEqual(self.read_version_file(), harness.version_json(*FIRST))
        self.assertEqual(os.listdir(self.update_dir), ["version.json"])

    def test_text_outside_ascii_is_stored_unescaped(self):
        # The service sends the artifact's architecture as \u00e4rm64 in its JSON.
        self.write_config("dm?arch=%C3%A4rm64")
        self.assert_info(self.run_checker(), 0, FIRST[1])
        stored = self.read_version_file()
        self.assertIn('"os_arch": "\u00e4rm64",'.encode(), stored)
        self.assertNotIn(b"\\u", stored)

    def test_only_a_larger_version_replaces_the_stored_one(self):
        self.write_config(offering(NEWER))
        self.assert_info(self.run_checker(), 0, NEWER[1])
        stored = os.stat(self.version_file)
        for offered in (NEWER, FIRST):
            with self.subTest(offered=offered[0]):
                self.write_config(offering(offered))
                run = self.run_checker()
                self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))
                self.assertEqual(os.stat(self.version_file).st_mtime_ns, stored.st_mtime_ns)
                self.assertEqual(self.read_version_file(), harness.version_json(*NEWER))
        self.write_config(offering(NEWEST))
        self.assert_info(self.run_checker(), NEWER[1], NEWEST[1])
        self.assertEqual(self.read_version_file(), harness.version_json(*NEWEST))

    def test_a_stored_file_without_a_version_number_counts_as_zero(self):
        self.write_config()
        self.write_version_file('{"package_name": "java-1.8.0-tavrik", "version_number": "9"}')
        self.assert_info(self.run_checker(), 0, FIRST[1])

    def test_a_broken_stored_file_fails_every_run_without_downloading(self):
        self.write_config()
        self.write_version_file("this is not JSON")
        for _ in range(2):
            self.assert_check_error(
                self.run_checker(), "Error parsing JSON: text: [invalid token near 'this'] "
                "line: [1] column: [4] position: [4], callback error: []")
        self.assertEqual(self.new_requests(), [])
        self.assertEqual(self.run_checker("--delete").returncode, 0)
        self.assert_info(self.run_checker(), 0, FIRST[1])

    def test_a_stored_file_beyond_its_size_limit_fails(self):
        self.write_config(max_json_size_bytes=10)
        self.write_version_file('{"version_number": 10821203004}')
        self.assert_check_error(
            self.run_checker(), "Error parsing JSON: text: [unexpected token near end of file] "
            "line: [1] column: [0] position: [0], callback error: [Read limit exceeded: [10], "
            f"filepath: [{self.native(self.version_file)}]]")

    def test_a_directory_in_place_of_the_file_fails_when_writing(self):
        self.write_config()
        os.makedirs(self.version_file)
        self.assert_check_error(
            self.run_checker(), f"Cannot open file: [{self.native(self.version_file)}], with mode: "
            f"[w], error: [{harness.system_error('directory_in_the_way')}]")
        self.assertEqual(len(self.new_requests()), 1, "the download happened")
        self.assertEqual(os.listdir(self.update_dir), ["version.json"])

    def test_a_traced_run_records_its_steps_and_writes_the_trace(self):
        self.write_config(system_trace_enable=True)
        run = self.run_checker()
        self.assertRegex(run.stdout, rf"\A{harness.TIME} INFO: .*\nTrace written, path: "
                                     rf"\[{re.escape(self.native(self.trace_file))}\]\n\Z")
        trace = self.trace()
        for number, (key, _) in enumerate(trace, start=1):
            self.assertRegex(key, rf"\A{harness.TIME}_{number}\Z")
        messages = [message for _, message in trace]
        self.assertRegex(messages[0], r"\AEVENT_PID [1-9][0-9]*\Z")
        self.assertEqual(messages[1:7], [
            f"config loaded from path: [{self.native(self.config_path)}]",
            f"local version path resolved, path: [{self.native(self.version_file)}]",
            "local version loaded, version number: [0]",
            "EVENT_LOCALVERSION 0",
            f"EVENT_URL {self.service.url('dm')}",
            "curl init complete",
        ])
        self.assertEqual(messages[-4:], [
            f"remote version loaded, version number: [{FIRST[1]}]",
            f"EVENT_REMOTEVERSION {FIRST[1]}",
            f"remote version written, path: [{self.native(self.version_file)}]",
            f"EVENT_WRITTEN {self.native(self.version_file)}",
        ])

        run = self.run_checker()
        self.assertEqual(run.stdout, f"Trace written, path: [{self.native(self.trace_file)}]\n")
        self.assertEqual(self.trace_messages()[-2:], [
            f"remote version loaded, version number: [{FIRST[1]}]",
            f"EVENT_REMOTEVERSION {FIRST[1]}"])

    def test_a_failed_traced_run_ends_its_trace_with_the_error(self):
        self.write_config("status/404", system_trace_enable=True)
        run = self.run_checker()
        message = "HTTP connection error: [HTTP error returned from server, response_code: [404]]"
        self.assert_error(run, message, self.version_file)
        self.assertEqual(run.stdout, f"Trace written, path: [{self.native(self.trace_file)}]\n")
        self.assertEqual(self.trace_messages()[-1], "ERROR: " + message)

    def test_an_empty_url_is_traced_and_fails_in_the_download(self):
        self.write_config(remote_version_url="", system_trace_enable=True)
        run = self.run_checker()
        self.assert_error(run, "HTTP connection error: [HTTP connection error]",
                          self.version_file)
        self.assertIn("EVENT_URL ", self.trace_messages())

    def test_relative_file_names_are_found_beside_the_executable(self):
        bin_dir = os.path.join(self.tmp, "bin")
        os.makedirs(bin_dir)
        program = shutil.copy(harness.checker_path, bin_dir)
        shutil.copy(self.service.ca_file, os.path.join(bin_dir, "trusted-ca.pem"))
        with open(os.path.join(bin_dir, "config.json"), "w", encoding="utf-8") as out:
            json.dump({"remote_version_url": self.service.url("dm"),
                       "curl_cainfo_filename": "trusted-ca.pem"}, out)
        self.assert_info(self.run_checker(config=False, program=program), 0, FIRST[1])


if __name__ == "__main__":
    harness.main()
