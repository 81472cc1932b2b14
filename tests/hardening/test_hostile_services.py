#!/usr/bin/env python3
"""The checker against hostile update services (scripts/update_service.py's hostile paths): a drip
of one byte now and then, an array that never ends, a flood of header lines, a redirect loop and a
gzip bomb. Each run must end by itself within its bound (short bounds from config.json here), with
exit 1, a message that says what happened and no version.json."""

import os
import re
import time

import hardening_harness as hh
from hardening_harness import harness

# Every run is killed after this long; a run that needs the kill fails its exit-code check.
harness.RUN_LIMIT_SECONDS = 60
TOOK_TOO_LONG = ("HTTP transfer took longer than 'curl_transfer_timeout_seconds': [3], "
                 "error: [Timeout was reached]")
TOO_LARGE = "HTTP response body larger than 'max_remote_json_size_bytes': [1048576]"
NO_VALUE = ("Error parsing JSON, text: [unexpected token near end of file], line: [1], "
            "column: [0], position: [0], callback error: []")


def cut_short(callback_error):
    """The message of a body that ended inside the array, with the callback error given."""
    return (r"Error parsing JSON, text: \[']' expected near end of file\], line: \[1\], "
            r"column: \[\d+\], position: \[\d+\], callback error: \[" +
            re.escape(callback_error) + r"\]")


class HostileServices(hh.HardeningTestCase):

    def test_every_hostile_service_is_given_up_within_its_bound(self):
        # path, config keys, message pattern, the bound in seconds the run must have waited for
        cases = [
            # A blank every half second keeps the one-second stall bound from firing.
            ("drip?interval=0.5", {"curl_stall_timeout_seconds": 1,
                                   "curl_transfer_timeout_seconds": 3},
             cut_short(TOOK_TOO_LONG), 3),
            ("endless", {"max_remote_json_size_bytes": 1048576}, cut_short(TOO_LARGE), 0),
            ("endless?rate=64", {"curl_transfer_timeout_seconds": 3,
                                 "max_remote_json_size_bytes": 0}, cut_short(TOOK_TOO_LONG), 3),
            ("header-flood", {},
             re.escape("HTTP connection error: [HTTP transfer failed, error: [Failure when "
                       "receiving data from the peer], detail: [Too large response headers: ") +
             r"\d+ > \d+\]\]", 0),
            # libcurl follows curl_maxredirs redirects, then the last, empty answer is parsed.
            ("redirect-loop", {}, re.escape(NO_VALUE), 0),
            # 0 leaves libcurl's default, no limit: only the time bound ends the loop.
            ("redirect-loop", {"curl_maxredirs": 0, "curl_transfer_timeout_seconds": 3},
             re.escape(f"HTTP connection error: [{TOOK_TOO_LONG}]"), 3),
            ("gzip-bomb", {"max_remote_json_size_bytes": 1048576}, cut_short(TOO_LARGE), 0),
        ]
        for path, keys, pattern, bound in cases:
            with self.subTest(path=path, **keys):
                self.remove_version_file()
                self.write_config(path, **keys)
                started = time.monotonic()
                run = self.run_faulted()
                waited = time.monotonic() - started
                self.assertEqual(run.returncode, 1, run)
                self.assertRegex(run.stderr, rf"\A{harness.TIME} ERROR: {pattern}; local version, "
                                             rf"path: \[{re.escape(self.version_file)}\], "
                                             r"version_number: \[0\]\n\Z")
                self.assertGreaterEqual(waited, bound, "ended before its bound: not by the bound")
                self.assertFalse(os.path.exists(self.version_file))

    def test_the_redirect_limit_counts_the_requests(self):
        self.write_config("redirect-loop", curl_maxredirs=5)
        self.run_faulted()
        self.assertEqual(len(self.new_requests()), 6)


if __name__ == "__main__":
    hh.main()
