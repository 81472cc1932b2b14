#!/usr/bin/env python3
"""config.json as the checker reads it: failures end the run before anything else happens."""

import json
import os

import harness

DM_ARRAY = [{"featuredArtifact": {"url": "https://downloads.example/tavrik/"
                                         "java-1.8.0-tavrik-1.8.0.212-3.b04.q.windows.x86_64.zip"}}]


class ConfigFile(harness.CheckerTestCase):

    def write_raw_config(self, text):
        with open(self.config_path, "w", encoding="utf-8") as out:
            out.write(text)

    def test_a_configuration_that_cannot_be_used_ends_the_run_first(self):
        missing = os.path.join(self.tmp, "config.json")
        cases = [
            (None, f"Cannot open file: [{self.native(missing)}], with mode: [r], "
                   f"error: [{harness.system_error('file_not_found')}]"),
            ("{\"vendor_name\": ", "Error parsing JSON: text: [unexpected token near end of "
                                   "file] line: [1] column: [16] position: [16], "
                                   "callback error: []"),
            ('{"vendor_name": "a", "vendor_name": "b"}',
             "Error parsing JSON: text: [duplicate object key near '\"vendor_name\"'] line: [1] "
             "column: [34] position: [34], callback error: []"),
            ("[1, 2]", "Cannot extract 'featuredArtifact' from DM response"),
            ('"https://updates.example/dm"', "Invalid 'non-object' JSON specified"),
            ("null", "Invalid 'non-object' JSON specified"),
            ("{" + " " * 32768 + "}",
             "Error parsing JSON: text: [string or '}' expected near end of file] line: [1] "
             f"column: [32768] position: [32768], callback error: [Read limit exceeded: "
             f"[32768], filepath: [{self.native(missing)}]]"),
        ]
        for text, error in cases:
            with self.subTest(config=(text or "missing")[:40]):
                if text is None:
                    if os.path.exists(missing):
                        os.remove(missing)
                else:
                    self.write_raw_config(text)
                for arguments in ([], ["--delete"]):
                    run = self.run_checker(*arguments)
                    self.assert_error(run, error)
                    self.assertEqual(run.stdout, "")
                    self.assertFalse(os.path.exists(self.update_dir))
        self.assertEqual(self.new_requests(), [])

    def test_only_the_bytes_up_to_the_end_of_the_value_count(self):
        config = json.dumps({"remote_version_url": self.service.url("dm"),
                             "curl_cainfo_filename": self.service.ca_file})
        self.write_raw_config(config + " trailing words" * 4000)
        self.assertGreater(os.path.getsize(self.config_path), 32768)
        self.assert_info(self.run_checker(), 0, 10821203004)

    def test_a_remote_descriptor_as_configuration_gives_every_default(self):
        self.write_raw_config(json.dumps(DM_ARRAY))
        self.assert_check_error(self.run_checker(),
                                "HTTP connection error: [HTTP connection error]")

    def test_vendor_and_application_name_the_directories(self):
        self.write_config(vendor_name="acme", application_name="probe")
        self.update_dir = os.path.join(self.data_home, "acme", "probe", "update")
        self.version_file = os.path.join(self.update_dir, "version.json")
        self.assert_info(self.run_checker(), 0, 10821203004)
        self.assertEqual(self.read_version_file(), harness.version_json("1.8.0.212-3.b04",
                                                                        10821203004))

    def test_only_json_true_switches_tracing_on(self):
        for value, traced in ((1, False), ("true", False), (True, True)):
            with self.subTest(system_trace_enable=value):
                self.write_config(system_trace_enable=value)
                run = self.run_checker()
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(os.path.exists(self.trace_file), traced)
                self.assertEqual("Trace written" in run.stdout, traced)


if __name__ == "__main__":
    harness.main()
