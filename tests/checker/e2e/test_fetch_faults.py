#!/usr/bin/env python3
"""Every fault of the update service that the checker must survive, with its message."""

import os
import socket

import harness

service_module = harness.load_service_module()
DM_LENGTH = len(service_module.dm_body("1.8.0.212-3.b04"))
NO_VALUE = ("Error parsing JSON, text: [unexpected token near end of file], line: [1], "
            "column: [0], position: [0], callback error: []")
NO_CONNECTION = "HTTP connection error: [HTTP connection error]"
STALLED = "HTTP transfer stalled or timed out, error: [Timeout was reached]"


def status_error(code):
    return f"HTTP connection error: [HTTP error returned from server, response_code: [{code}]]"


class FetchFaults(harness.CheckerTestCase):

    def assert_fails(self, path, message, **keys):
        self.remove_version_file()
        self.write_config(path, **keys)
        run = self.run_checker()
        self.assert_check_error(run, message)
        self.assertFalse(os.path.exists(self.version_file))

    def assert_succeeds(self, path, **keys):
        self.remove_version_file()
        self.write_config(path, **keys)
        self.assert_info(self.run_checker(), 0, 10821203004)

    def test_answers_that_carry_no_descriptor(self):
        cases = [
            ("status/404", status_error(404), {}),
            ("status/500?body=1", status_error(500), {}),
            ("nowhere", status_error(404), {}),
            ("drop", NO_CONNECTION, {}),
            ("empty", NO_VALUE, {}),
            ("notjson", "Error parsing JSON, text: [invalid token near 'this'], line: [1], "
                        "column: [4], position: [4], callback error: []", {}),
            ("dm?version=bogus", "Cannot extract version from DM response", {}),
            ("dm", f"HTTP connection error: ['curl_max_bufsize_bytes' exceeded: "
                   f"[{DM_LENGTH}]]", {"curl_max_bufsize_bytes": DM_LENGTH - 1}),
            # Too many redirects or none followed: the last answer is an empty redirect.
            ("redirect/2", NO_VALUE, {"curl_maxredirs": 1}),
            ("redirect/1", NO_VALUE, {"curl_followlocation": False}),
        ]
        for path, message, keys in cases:
            with self.subTest(path=path, **keys):
                self.assert_fails(path, message, **keys)

    def test_limits_that_are_just_met_pass(self):
        self.assert_succeeds("dm", curl_max_bufsize_bytes=DM_LENGTH)
        self.assert_succeeds("redirect/2", curl_maxredirs=2)
        # 0 leaves libcurl's default, which does not forbid redirects.
        self.assert_succeeds("redirect/3", curl_maxredirs=0)

    def test_a_status_seen_only_after_the_body_is_parsed_does_not_count(self):
        self.assert_succeeds("status/503?body=1&linger=1")

    def test_certificates_that_do_not_prove_the_server(self):
        cases = [
            ("wrong_host", {}, {"curl_ssl_verifyhost": False}),
            ("untrusted", {}, {"curl_ssl_verifypeer": False}),
            ("trusted", {"curl_cainfo_filename": ""}, {"curl_ssl_verifypeer": False}),
        ]
        for listener, refused, accepted in cases:
            with self.subTest(listener=listener, **refused):
                url = self.service.url("dm", listener)
                self.assert_fails("dm", NO_CONNECTION, remote_version_url=url, **refused)
                self.assert_succeeds("dm", remote_version_url=url, **refused, **accepted)

    def test_nobody_listening(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.assert_fails("dm", NO_CONNECTION, remote_version_url=f"https://127.0.0.1:{port}/dm")

    def test_a_redirect_never_leaves_https(self):
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen(4)
            listener.setblocking(False)
            port = listener.getsockname()[1]
            for target in (f"http://127.0.0.1:{port}/dm", f"ftp://127.0.0.1:{port}/dm"):
                with self.subTest(target=target):
                    self.assert_fails(f"redirect/1?to={target}", NO_VALUE)
                    with self.assertRaises(BlockingIOError, msg="the checker followed"):
                        listener.accept()

    def test_a_server_that_stops_sending_is_given_up(self):
        self.assert_fails("stall", f"HTTP connection error: [{STALLED}]",
                          curl_stall_timeout_seconds=1)
        self.assert_fails("stall?partial=10",
                          "Error parsing JSON, text: [premature end of input near '\"feature'], "
                          f"line: [1], column: [10], position: [10], callback error: [{STALLED}]",
                          curl_stall_timeout_seconds=1)


if __name__ == "__main__":
    harness.main()
