"""The measuring tools the benchmarks share: hyperfine for wall time, /usr/bin/time for peak
resident memory, callgrind for instruction counts, strace for the time a run spends waiting."""

import json
import os
import re
import shlex
import shutil
import statistics
import subprocess
import tempfile
import threading

RUN_LIMIT_SECONDS = 300


class Command:
    """One program run (or a pipeline of two) with its environment.

    fresh_dir, when set, is emptied before each timed run (hyperfine's --prepare), so that a run
    that writes starts from nothing each time."""

    def __init__(self, name, argvs, env=None, fresh_dir=None):
        self.name = name
        self.argvs = argvs if isinstance(argvs[0], list) else [argvs]
        self.env = env or {}
        self.fresh_dir = fresh_dir

    def shell(self):
        prefix = "".join(f"{key}={shlex.quote(value)} " for key, value in self.env.items())
        return " | ".join(prefix + shlex.join(argv) for argv in self.argvs)

    def prepare_shell(self):
        return f"rm -rf {shlex.quote(self.fresh_dir)}" if self.fresh_dir else "true"

    def prepare(self):
        if self.fresh_dir:
            shutil.rmtree(self.fresh_dir, ignore_errors=True)


def hyperfine(commands, runs, warmup, export_path, log, shell=True, env=None):
    """Times the commands side by side; returns {name: statistics in seconds}."""
    arguments = ["hyperfine", "--style", "basic", "--runs", str(runs), "--warmup", str(warmup),
                 "--export-json", export_path]
    if not shell:
        arguments.append("-N")
    for command in commands:
        arguments += ["--prepare", command.prepare_shell()]
    for command in commands:
        arguments += ["--command-name", command.name]
    arguments += [command.shell() if shell else shlex.join(command.argvs[0])
                  for command in commands]
    subprocess.run(arguments, stdout=log, stderr=subprocess.STDOUT, check=True, env=env,
                   stdin=subprocess.DEVNULL)
    with open(export_path, encoding="utf-8") as exported:
        results = json.load(exported)["results"]
    summary = {}
    for command, result in zip(commands, results):
        times = result["times"]
        summary[command.name] = {
            "median": statistics.median(times), "mean": result["mean"],
            "stddev": result["stddev"] or 0.0, "min": min(times), "max": max(times),
            "runs": len(times), "user": result["user"], "system": result["system"],
        }
    return summary


class Outcome:
    def __init__(self, returncodes, stdout, stderr):
        self.returncodes = returncodes
        self.stdout = stdout
        self.stderr = stderr

    def ok(self):
        return all(code == 0 for code in self.returncodes)


def run_measured(command, base_env, wrapper=lambda index: []):
    """Runs the command (its pipeline processes concurrently) and returns each process's exit code;
    wrapper(index) gives what goes in front of the pipeline's index-th program (e.g. strace)."""
    command.prepare()
    env = dict(base_env, **command.env)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        processes = []
        for index, argv in enumerate(command.argvs):
            last = index == len(command.argvs) - 1
            stdin = processes[-1].stdout if processes else subprocess.DEVNULL
            process = subprocess.Popen([*wrapper(index), *argv], stdin=stdin,
                                       stdout=out if last else subprocess.PIPE, stderr=err,
                                       env=env)
            if processes:
                processes[-1].stdout.close()  # the reader holds the only read end
            processes.append(process)
        watchdog = threading.Timer(RUN_LIMIT_SECONDS, lambda: [p.kill() for p in processes])
        watchdog.start()
        try:
            codes = [process.wait() for process in processes]
        finally:
            watchdog.cancel()
        out.seek(0)
        err.seek(0)
        return Outcome(codes, out.read().decode(errors="replace"),
                       err.read().decode(errors="replace"))


def peak_memory(command, base_env, repeats):
    """The median over repeats of each process's peak resident size, in KiB, and their sum.

    Measured by /usr/bin/time rather than by this process's wait4: a child forked from this
    Python process starts with its resident size as its peak (the kernel carries the peak across
    fork and exec), which would hide any program smaller than about 20 MB. time is small."""
    samples = []
    with tempfile.TemporaryDirectory() as directory:
        peak_file = lambda index: os.path.join(directory, f"peak.{index}")
        for _ in range(repeats):
            outcome = run_measured(command, base_env,
                                   lambda index: ["/usr/bin/time", "-f", "%M", "-o",
                                                  peak_file(index)])
            if not outcome.ok():
                raise RuntimeError(f"{command.name} failed: {outcome.returncodes}\n"
                                   f"{outcome.stdout}{outcome.stderr}")
            sample = []
            for index in range(len(command.argvs)):
                with open(peak_file(index), encoding="utf-8") as peak:
                    sample.append(int(peak.read().split()[-1]))
            samples.append(sample)
    parts = [statistics.median(sample[i] for sample in samples) for i in range(len(samples[0]))]
    return {"total_kib": sum(parts), "parts_kib": parts}


TOTAL = re.compile(r"^(?:summary|totals):\s*(\d+)", re.MULTILINE)
ANNOTATED = re.compile(r"^\s*([\d,]+)\s+\([\s\d.]+%\)\s+(.*?)\s*(?:\[(.+)\])?\s*$")


def callgrind(command, base_env, out_dir):
    """Instructions executed (callgrind's Ir) by each process of the command, with a breakdown of
    each by shared object."""
    os.makedirs(out_dir, exist_ok=True)
    stem = os.path.join(out_dir, re.sub(r"[^a-z0-9]+", "-", command.name.lower()).strip("-"))
    # Each process of a pipeline gets its own wrapper with its own output file.
    parts = [f"{stem}.{index}.out" for index in range(len(command.argvs))]
    outcome = run_measured(command, base_env, lambda index: [
        "valgrind", "--tool=callgrind", f"--callgrind-out-file={parts[index]}",
        f"--log-file={parts[index]}.log"])
    if not outcome.ok():
        raise RuntimeError(f"{command.name} failed under callgrind: see {stem}.*.log")
    totals, objects = [], []
    for path in parts:
        with open(path, encoding="utf-8", errors="replace") as data:
            totals.append(int(TOTAL.search(data.read()).group(1)))
        objects.append(cost_by_object(path, totals[-1]))
    return {"total": sum(totals), "parts": totals, "by_object": merge_counts(objects)}


def cost_by_object(path, total):
    """Self cost of each shared object (library or program), from callgrind_annotate; functions
    listed without their object (inlined from headers) are summed as "other"."""
    listing = subprocess.run(["callgrind_annotate", "--inclusive=no", "--threshold=100", path],
                             capture_output=True, text=True, check=True).stdout
    costs = {}
    for line in listing.splitlines():
        match = ANNOTATED.match(line)
        if match and match.group(3):
            name = os.path.basename(match.group(3)).split(".so")[0]
            costs[name] = costs.get(name, 0) + int(match.group(1).replace(",", ""))
    costs["other"] = total - sum(costs.values())
    return costs


def merge_counts(dicts):
    merged = {}
    for counts in dicts:
        for key, value in counts.items():
            merged[key] = merged.get(key, 0) + value
    return merged


HEAP = re.compile(r"^mem_heap_B=(\d+)\nmem_heap_extra_B=(\d+)", re.MULTILINE)


def heap_peak_kib(command, base_env, out_path):
    """The largest heap of a single-process command (valgrind massif), allocator overhead
    included: what the program itself allocates, without the pages of its libraries."""
    outcome = run_measured(command, base_env, lambda index: [
        "valgrind", "--tool=massif", f"--massif-out-file={out_path}", f"--log-file={out_path}.log"])
    if not outcome.ok():
        raise RuntimeError(f"{command.name} failed under massif: see {out_path}.log")
    with open(out_path, encoding="utf-8") as data:
        snapshots = HEAP.findall(data.read())
    return max(int(heap) + int(extra) for heap, extra in snapshots) / 1024


WAIT_CALL = re.compile(r"^\d+\s+(\w+)\(.*<([\d.]+)>$")


def waiting_time(command, base_env, out_path):
    """Seconds spent in each waiting system call (sleeps, select, poll, flushing a file to disk)
    during one run, summed over the process's threads."""
    wrapper = ["strace", "-f", "-qq", "-T", "-o", out_path, "-e",
               "trace=clock_nanosleep,nanosleep,select,pselect6,poll,ppoll,fsync,fdatasync"]
    outcome = run_measured(command, base_env, lambda index: wrapper)
    if not outcome.ok():
        raise RuntimeError(f"{command.name} failed under strace: {outcome.stderr}")
    waits = {}
    with open(out_path, encoding="utf-8", errors="replace") as trace:
        for line in trace:
            match = WAIT_CALL.match(line.strip())
            if match:
                call = match.group(1)
                entry = waits.setdefault(call, {"calls": 0, "seconds": 0.0})
                entry["calls"] += 1
                entry["seconds"] += float(match.group(2))
    return waits
