#!/usr/bin/env python3
"""The checker's command line: help, usage, and the lines it refuses before reading anything."""

import json
import os
import shutil

import harness

HELP = """\
Usage: checker [OPTION...]
  -c, --config=config.json     Path to config file
  -d, --delete                 Delete downloaded file and work directory
  -h, --help                   Show this help message
      --usage                  Display brief usage message
"""
USAGE = """\
Usage: checker [-dh] [-c|--config=config.json] [-d|--delete] [-h|--help]
        [--usage]
"""


class CommandLine(harness.CheckerTestCase):
    uses_service = False

    def setUp(self):
        super().setUp()
        self.write_config()
        self.write_version_file("{}")

    def assert_popt_text(self, run, exit_code, text):
        """Nothing on standard output, and popt's text on standard error. popt names the program
        after argv[0], cut after its last "/". Windows hands over a path with backslashes, which
        popt keeps whole, and the longer name moves popt's line breaks: there the words count."""
        self.assertEqual((run.returncode, run.stdout), (exit_code, ""), run)
        if harness.wine is None:
            self.assertEqual(run.stderr, text)
            return
        text = text.replace("Usage: checker ", f"Usage: {self.native(harness.checker_path)} ")
        self.assertEqual(run.stderr.split(), text.split())
        self.assertTrue(run.stderr.endswith("\n"), run)

    def test_help_and_usage_go_to_standard_error_and_do_nothing_else(self):
        cases = [(["--help"], HELP), (["-h"], HELP), (["--help", "--delete"], HELP),
                 (["--usage", "--help"], HELP), (["--usage"], USAGE), (["--usage", "-d"], USAGE)]
        for arguments, text in cases:
            with self.subTest(arguments=arguments):
                self.assert_popt_text(self.run_checker(*arguments), 0, text)
                self.assertTrue(os.path.exists(self.version_file), "--delete was not obeyed")

    def test_refuses_bad_lines_before_reading_the_configuration(self):
        missing = self.native(os.path.join(self.tmp, "missing.json"))
        cases = [
            (["-v"], "unknown option: -v"),
            (["--verbose", "--delete"], "unknown option: --verbose"),
            (["--config"], "missing argument: --config"),
            (["--delete", "stray"], "invalid arguments specified: stray"),
            (["--config", missing, "--delete", "stray"], "invalid arguments specified: stray"),
            (["one", "--delete", "two", "three"], "invalid arguments specified: one two three"),
        ]
        for arguments, error in cases:
            with self.subTest(arguments=arguments):
                run = self.run_checker(*arguments, config=False)
                self.assert_popt_text(run, 1, f"ERROR: {error}\n{USAGE}")
                self.assertTrue(os.path.exists(self.version_file), "something was deleted")

    def test_the_last_config_option_wins(self):
        missing = os.path.join(self.tmp, "missing.json")
        run = self.run_checker("--config", self.native(missing), "--config",
                               self.native(self.config_path), "--delete", config=False)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))
        self.assertFalse(os.path.exists(self.version_file))

    def test_an_empty_config_value_names_the_empty_path(self):
        run = self.run_checker("--config", "", config=False)
        self.assert_error(run, "Cannot open file: [], with mode: [r], "
                               f"error: [{harness.system_error('empty_path')}]")
        self.assertEqual(run.stdout, "")

    def test_a_config_path_outside_ascii_names_the_file_typed(self):
        # Through the ANSI code page of a western Windows system the path would name another
        # file: "\u0416" is not in it at all, and "\u00e9" is in it as a byte that is not UTF-8.
        directory = os.path.join(self.tmp, "r\u00e9glages \u0416")
        os.makedirs(directory)
        missing = os.path.join(directory, "missing.json")
        run = self.run_checker("--config", self.native(missing), "--delete", config=False)
        self.assert_error(run, f"Cannot open file: [{self.native(missing)}], with mode: [r], "
                               f"error: [{harness.system_error('file_not_found')}]")
        self.assertTrue(os.path.exists(self.version_file))

        config = shutil.move(self.config_path, os.path.join(directory, "config.json"))
        run = self.run_checker("--config", self.native(config), "--delete", config=False)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))
        self.assertFalse(os.path.exists(self.version_file))

    def test_without_options_the_configuration_beside_the_executable_is_used(self):
        bin_dir = os.path.join(self.tmp, "bin")
        os.makedirs(bin_dir)
        program = shutil.copy(harness.checker_path, bin_dir)
        run = self.run_checker(config=False, program=program)
        beside = self.native(os.path.join(bin_dir, "config.json"))
        self.assert_error(run, f"Cannot open file: [{beside}], with mode: [r], "
                               f"error: [{harness.system_error('file_not_found')}]")

        with open(os.path.join(bin_dir, "config.json"), "w", encoding="utf-8") as out:
            json.dump({}, out)
        run = self.run_checker("--delete", config=False, program=program)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))
        self.assertFalse(os.path.exists(self.version_file))


if __name__ == "__main__":
    harness.main()
