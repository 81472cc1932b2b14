#!/usr/bin/python3
"""Measures the checker and the notifier against their baselines and writes the report.

Called by bench/run.sh after the build; see there for the options. All results go to
WORK/results.json first, so that the report can be written again from them (--report-only)."""

import argparse
import json
import os
import platform
import re
import subprocess
import sys
import time

import dm_bodies
from checker_bench import CheckerBench
from report import write_report

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
SERVER_SCRIPT = os.path.join(ROOT, "bench", "https_file_server.py")
NOTIFIER_STRINGS = ("NOTIFIER_SHIPPED_VERSION", "NOTIFIER_VENDOR_NAME", "NOTIFIER_APPLICATION_NAME")


def cmake_cache_strings(build_dir, names):
    values = {}
    with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            match = re.match(r"^(\w+):\w+=(.*)$", line.rstrip("\n"))
            if match and match.group(1) in names:
                values[match.group(1)] = match.group(2)
    return values


def output_of(*command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False,
                              cwd=ROOT).stdout.strip()
    except OSError:
        return ""


def machine_facts():
    with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
        models = [line.split(":", 1)[1].strip() for line in cpuinfo
                  if line.startswith("model name")]
    return {"cpu": f"{len(models)} x {models[0]}" if models else "unknown",
            "kernel": platform.release(),
            "commit": output_of("git", "log", "-1", "--format=%h %s") or "unknown",
            "changed": output_of("git", "status", "--short", "--", "checker", "notifier",
                                 "support") != "",
            "curl": output_of("curl", "--version").splitlines()[0],
            "jq": output_of("jq", "--version"),
            "hyperfine": output_of("hyperfine", "--version"),
            "valgrind": output_of("valgrind", "--version")}


class FileServer:
    def __init__(self, root, certs):
        # Ahead of the other work on the machine where that is allowed (nice only warns where it
        # is not), so that waiting for the server adds less noise to the clients' times.
        self.process = subprocess.Popen(
            ["nice", "-n", "-10", sys.executable, SERVER_SCRIPT, "--root", root, "--certs", certs],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if not line:
            self.stop()
            raise RuntimeError("the HTTPS file server did not start")
        self.announcement = json.loads(line)

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.process.stdout.close()


def measure(args, progress):
    results = {"mode": args.mode, "uptime_before": output_of("uptime"),
               "machine": machine_facts(), "started": time.strftime("%Y-%m-%d %H:%M:%S")}
    sizes = dm_bodies.SIZES[:1] if args.mode == "quick" else dm_bodies.SIZES
    body_dir = os.path.join(args.work, "bodies")
    progress("making the DM responses")
    bodies = dm_bodies.ensure_bodies(body_dir, sizes)
    results["bodies"] = [{"size": label, "file": name, "bytes": size}
                         for label, name, size in bodies]

    with open(os.path.join(args.work, "tools.log"), "w", encoding="utf-8") as log:
        server = FileServer(body_dir, os.path.join(args.work, "certs"))
        try:
            bench = CheckerBench(args.work, args.checker, server.announcement, log)
            results["checker"] = bench.run(bodies, body_dir, args.mode, progress)
        finally:
            server.stop()
        if args.notifier:
            # Imported here: it needs GObject introspection, which the checker part does not.
            from notifier_bench import NotifierBench  # pylint: disable=import-outside-toplevel
            strings = cmake_cache_strings(args.build_dir, NOTIFIER_STRINGS)
            results["notifier"] = NotifierBench(args.work, args.notifier, strings, log).run(
                args.mode, progress)
    results["uptime_after"] = output_of("uptime")
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n", maxsplit=1)[0])
    parser.add_argument("--mode", choices=("full", "quick"), default="full")
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work", required=True, help="bodies, certificates, raw results")
    parser.add_argument("--report", required=True, help="the Markdown file to write")
    parser.add_argument("--images", required=True, help="directory of the plots")
    parser.add_argument("--report-only", action="store_true",
                        help="write the report from WORK/results.json without measuring")
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)  # it becomes XDG_DATA_HOME, which must be absolute
    bin_dir = os.path.join(os.path.abspath(args.build_dir), "bin")
    args.checker = os.path.join(bin_dir, "checker")
    args.notifier = os.path.join(bin_dir, "notifier")
    if not os.access(args.notifier, os.X_OK):
        args.notifier = None
    os.makedirs(args.work, exist_ok=True)
    results_path = os.path.join(args.work, "results.json")

    start = time.monotonic()

    def progress(message):
        print(f"[{time.monotonic() - start:6.1f} s] {message}", flush=True)

    if not args.report_only:
        results = measure(args, progress)
        results["seconds"] = round(time.monotonic() - start, 1)
        with open(results_path, "w", encoding="utf-8") as out:
            json.dump(results, out, indent=1)
    with open(results_path, encoding="utf-8") as data:
        results = json.load(data)
    write_report(results, args.report, args.images)
    progress(f"report written: {args.report}")


if __name__ == "__main__":
    main()
