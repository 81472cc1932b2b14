#!/usr/bin/env python3
"""How the body streams from libcurl into the parser: the trace of a download, redirects, gzip,
bodies in many pieces, a character split between two pieces and a body far larger than memory
allows to keep."""

import re

import harness

service_module = harness.load_service_module()
VERSION = "1.8.0.212-3.b04"
NUMBER = 10821203004
FILL_PASS = ("fdset fail, enter sleep branch", "fdset success, performing select")
REPLACEMENT = "\ufffd"


def body_from_trace(messages):
    """The body as the trace shows it arriving, checked against how the parser took it: every
    chunk is handed over in reads of at most 1024 bytes, in order, before the next fill."""
    body, buffered = "", 0
    for message in messages:
        if message.startswith("EVENT_RESPONSE "):
            body += message[len("EVENT_RESPONSE "):]
        elif match := re.fullmatch(r"data chunk received, size: \[(\d+)\]", message):
            buffered += int(match[1])
        elif match := re.fullmatch(r"response chunk read finish, size: \[(\d+)\]", message):
            read = int(match[1])
            assert read == min(1024, buffered), (read, buffered)
            buffered -= read
        elif message == "fill buffer attempt":
            assert buffered == 0, f"{buffered} bytes left behind"
    return body


def passes(messages):
    """The fill passes: lists of the messages from a wait to the perform that ends it."""
    result, current = [], None
    for message in messages:
        if message in FILL_PASS:
            current = [message]
        elif current is not None:
            current.append(message)
            if message.startswith("perform complete"):
                result.append(current)
                current = None
    return result


class Streaming(harness.CheckerTestCase):

    def download(self, path, **keys):
        """A traced, successful first run; the download's part of the trace."""
        self.remove_version_file()
        self.write_config(path, system_trace_enable=True, **keys)
        run = self.run_checker()
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(self.read_version_file(), harness.version_json(VERSION, NUMBER))
        messages = self.trace_messages()
        return messages[messages.index("curl init complete") + 1:
                        messages.index(f"remote version loaded, version number: [{NUMBER}]")]

    def test_the_trace_of_a_download_that_arrives_in_one_chunk(self):
        body = service_module.dm_body(VERSION).decode()
        steps = self.download("dm")
        self.assertEqual(steps[:4], ["response chunk read, size: [1024]", "buffer empty",
                                     "fill buffer attempt", "fdset fail, enter sleep branch"])
        self.assertEqual(steps[-6:], [
            f"data chunk received, size: [{len(body)}]",
            "EVENT_RESPONSE " + body,
            "perform complete, result: [0]",
            "connection closed, headers: [1]",
            "connection closed, response_code: [200]",
            f"response chunk read finish, size: [{len(body)}]",
        ])
        waiting = steps[3:-6]
        self.assertIn(waiting[-1], FILL_PASS)
        for wait, perform in zip(waiting[:-1:2], waiting[1:-1:2]):
            self.assertEqual((wait in FILL_PASS, perform), (True, "perform complete, result: [1]"))
        self.assertEqual(len(waiting) % 2, 1)

    def test_a_long_chunk_reaches_the_parser_in_reads_of_1024_bytes(self):
        body = service_module.dm_body(VERSION, 40).decode()
        self.assertGreater(len(body), 4 * 1024)
        steps = self.download("dm?pad=40")
        self.assertEqual(body_from_trace(steps), body)
        self.assertGreaterEqual(steps.count("response chunk read finish, size: [1024]"), 4)

    def test_redirects_are_followed_to_the_final_answer(self):
        steps = self.download("redirect/3")
        self.assertEqual([r["target"].split("?")[0] for r in self.new_requests()],
                         ["/redirect/3", "/redirect/2", "/redirect/1", "/dm"])
        self.assertIn("connection closed, response_code: [200]", steps)

    def test_gzip_pieces_decoded_in_one_pass_are_all_kept(self):
        body = service_module.dm_body(VERSION, 2000).decode()
        steps = self.download("gzip")
        self.assertIn("gzip", self.new_requests()[0]["headers"]["accept-encoding"])
        self.assertEqual(body_from_trace(steps), body)
        chunks_per_pass = [sum(m.startswith("data chunk received") for m in p)
                           for p in passes(steps)]
        self.assertGreater(max(chunks_per_pass), 1, "no pass delivered two pieces")

    def test_a_body_written_in_small_pieces_with_pauses(self):
        body = service_module.dm_body(VERSION, 10).decode()
        steps = self.download("pieces?size=50&pause=10")
        self.assertEqual(body_from_trace(steps), body)
        self.assertGreater(steps.count("fill buffer attempt"), 10)

    def test_a_character_split_between_two_chunks_does_not_upset_the_trace(self):
        steps = self.download("split-utf8")
        responses = [m for m in steps if m.startswith("EVENT_RESPONSE ")]
        self.assertEqual(len(responses), 2, steps)
        self.assertTrue(responses[0].endswith('"Tavrik 8 f' + REPLACEMENT), responses[0])
        self.assertTrue(responses[1].startswith("EVENT_RESPONSE " + REPLACEMENT + "r Windows"),
                        responses[1])
        self.remove_version_file()
        self.write_config("split-utf8")
        self.assert_info(self.run_checker(), 0, NUMBER)

    def test_a_body_of_tens_of_megabytes_streams_through(self):
        # The sanitizer keeps freed blocks in quarantine (libcurl's TLS layer frees a buffer per
        # record), which would count as resident memory the program no longer holds.
        freed_blocks_released = "quarantine_size_mb=0"
        self.write_config("dm")
        small = self.run_checker(asan_options=freed_blocks_released)
        self.assert_info(small, 0, NUMBER)
        self.remove_version_file()
        mebibytes = 48
        self.write_config(f"huge?mb={mebibytes}")
        large = self.run_checker(asan_options=freed_blocks_released)
        self.assert_info(large, 0, NUMBER)
        growth_kib = large.peak_rss_kib - small.peak_rss_kib
        self.assertLess(growth_kib, mebibytes * 1024 // 4,
                        f"peak resident size grew by {growth_kib} KiB for a {mebibytes} MiB body")

    def test_the_request_follows_the_configuration(self):
        cases = [
            ({}, "HTTP/1.0", "gzip", None),
            ({"curl_force_http_10": False, "curl_accept_encoding": "",
              "curl_useragent": "probe/1.0"}, "HTTP/1.1", None, "probe/1.0"),
        ]
        for keys, protocol, encoding, agent in cases:
            with self.subTest(**keys):
                self.remove_version_file()
                self.write_config("dm", **keys)
                self.assert_info(self.run_checker(), 0, NUMBER)
                request = self.service.requests()[-1]
                self.assertEqual((request["method"], request["protocol"]), ("GET", protocol))
                self.assertEqual(request["headers"].get("accept-encoding"), encoding)
                self.assertEqual(request["headers"].get("user-agent"), agent)


if __name__ == "__main__":
    harness.main()
