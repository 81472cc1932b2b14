"""What is measured for the checker, and against what: the checker (first run that writes, steady
state, traced) beside `curl -o /dev/null` and `curl | jq` fetching the same DM response from the
same loopback server, for each response size, with an IP-literal URL and with localhost."""

import json
import os
import subprocess

from measure import (Command, callgrind, heap_peak_kib, hyperfine, peak_memory, run_measured,
                     waiting_time)

JQ_FILTER = ".[0].featuredArtifact.url"
IP = "127.0.0.1"
VENDOR, APPLICATION = "bench", "checker"

# (size label, timed runs, warmup runs); sizes not listed are not timed in that mode.
FULL_PLAN = {"2 KB": (40, 3), "1 MB": (10, 2), "16 MB": (5, 1), "64 MB": (3, 1)}
# Instruction counts at two sizes give the fixed cost and the cost per MB without the noise of
# a shared machine.
CALLGRIND_SIZES = ("2 KB", "1 MB")
QUICK_PLAN = {"2 KB": (3, 1)}
MEMORY_REPEATS = {"full": 3, "quick": 1}

# The jansson tree of a document alone: what parsing the file costs in a process that does
# nothing else, for comparison with the checker's growth. Prints the KiB added to the peak.
TREE_ALONE = r"""
import ctypes, sys
def status(key):
    with open("/proc/self/status") as file:
        return next(int(line.split()[1]) for line in file if line.startswith(key + ":"))
jansson = ctypes.CDLL("libjansson.so.4")
jansson.json_load_file.restype = ctypes.c_void_p
jansson.json_load_file.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_void_p]
error = ctypes.create_string_buffer(4096)
before = status("VmRSS")
value = jansson.json_load_file(sys.argv[1].encode(), 7, error)
if not value:
    sys.exit("jansson failed: " + error.raw[-160:].split(b"\0")[0].decode())
print(status("VmHWM") - before)
"""


class CheckerBench:
    def __init__(self, work, checker, server, log):
        self.work = work
        self.checker = checker
        self.server = server  # {"port": ..., "ca_file": ...}
        self.log = log
        self.base_env = {key: value for key, value in os.environ.items()
                         if key in ("PATH", "LANG", "LC_ALL", "TZ")}
        self.base_env["HOME"] = os.path.join(work, "home")
        os.makedirs(self.base_env["HOME"], exist_ok=True)

    def url(self, host, name):
        return f"https://{host}:{self.server['port']}/{name}"

    def write_config(self, name, url, traced):
        path = os.path.join(self.work, "configs", name + ".json")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            json.dump({"remote_version_url": url, "curl_cainfo_filename": self.server["ca_file"],
                       "vendor_name": VENDOR, "application_name": APPLICATION,
                       "system_trace_enable": traced}, out, indent=4)
        return path

    def commands(self, key, url):
        """The compared commands for one response at one URL; key names their files."""
        data = lambda variant: os.path.join(self.work, "data", f"{key}-{variant}")
        plain = self.write_config(key, url, False)
        traced = self.write_config(key + "-traced", url, True)
        checker = lambda config: [self.checker, "--config", config]
        curl = ["curl", "-s", "--cacert", self.server["ca_file"], url]
        return [
            Command("checker", checker(plain), {"XDG_DATA_HOME": data("full")},
                    fresh_dir=data("full")),
            Command("checker, steady state", checker(plain),
                    {"XDG_DATA_HOME": data("steady")}),
            Command("checker, traced", checker(traced),
                    {"XDG_DATA_HOME": data("traced")}, fresh_dir=data("traced")),
            Command("curl", curl + ["-o", "/dev/null"]),
            Command("curl | jq", [curl, ["jq", "-r", JQ_FILTER]]),
        ]

    def check_outputs(self, commands):
        """One run of each before anything is timed: every command must do its job, and the
        steady-state directory gets its version.json."""
        for command in commands:
            outcome = run_measured(command, self.base_env)
            expected = {"checker": "INFO: new version descriptor obtained",
                        "checker, traced": "INFO: new version descriptor obtained",
                        "curl | jq": ".zip"}.get(command.name, "")
            if not outcome.ok() or expected not in outcome.stdout:
                raise RuntimeError(f"{command.name}: exit {outcome.returncodes}, "
                                   f"stdout {outcome.stdout!r}, stderr {outcome.stderr!r}")
        steady = next(c for c in commands if c.name == "checker, steady state")
        outcome = run_measured(steady, self.base_env)
        if not outcome.ok() or outcome.stdout:
            raise RuntimeError(f"steady state still writes: {outcome.stdout!r}")

    def trace_stats(self, command):
        path = os.path.join(command.env["XDG_DATA_HOME"], VENDOR, APPLICATION, "update",
                            "trace.json")
        with open(path, encoding="utf-8") as file:
            messages = list(json.load(file).values())
        return {"bytes": os.path.getsize(path), "entries": len(messages),
                "sleep_passes": messages.count("fdset fail, enter sleep branch"),
                "fill_passes": sum(m.startswith("perform complete") for m in messages)}

    def tree_alone_kib(self, body_path):
        result = subprocess.run(["/usr/bin/python3", "-c", TREE_ALONE, body_path],
                                capture_output=True, text=True, check=True)
        return int(result.stdout)

    def memory(self, commands, body_path, repeats):
        memory = {c.name: peak_memory(c, self.base_env, repeats) for c in commands}
        memory["jansson tree alone"] = {"total_kib": self.tree_alone_kib(body_path),
                                        "parts_kib": []}
        return memory

    def timing(self, commands, runs, warmup, export):
        with open("/proc/loadavg", encoding="utf-8") as load:
            loadavg = float(load.read().split()[0])
        return {"load": loadavg,
                "commands": hyperfine(commands, runs, warmup, export, self.log)}

    def heaps(self, commands):
        return {c.name: heap_peak_kib(c, self.base_env, os.path.join(self.work, f"massif-{c.name}"))
                for c in commands if c.name in ("checker", "curl")}

    def waits(self, per_host):
        waits = {}
        for host, commands in per_host.items():
            for command in commands:
                if command.name in ("checker", "curl"):
                    out = os.path.join(self.work, f"strace-{command.name}-{host}.txt")
                    waits[f"{command.name} via {host}"] = waiting_time(command, self.base_env,
                                                                       out)
        return waits

    def run(self, bodies, body_dir, mode, progress):
        plan = QUICK_PLAN if mode == "quick" else FULL_PLAN
        results = {"timing": [], "memory": [], "trace": [], "callgrind": {}, "waits": {},
                   "heap": {}}
        for label, name, size in bodies:
            if label not in plan:
                continue
            key = label.replace(" ", "")
            per_host = {host: self.commands(f"{key}-{tag}", self.url(host, name))
                        for host, tag in ((IP, "ip"), ("localhost", "name"))}
            for commands in per_host.values():
                self.check_outputs(commands)

            progress(f"checker {label}: peak memory")
            results["memory"].append({"size": label, "bytes": size, "commands": self.memory(
                per_host[IP], os.path.join(body_dir, name), MEMORY_REPEATS[mode])})
            traced = next(c for c in per_host[IP] if c.name == "checker, traced")
            results["trace"].append(dict(self.trace_stats(traced), size=label, bytes=size))

            for host, commands in per_host.items():
                progress(f"checker {label} via {host}: hyperfine, {plan[label][0]} runs")
                export = os.path.join(self.work, f"hyperfine-{key}-{host}.json")
                results["timing"].append(dict(self.timing(commands, *plan[label], export),
                                              size=label, bytes=size, host=host))

            if label in CALLGRIND_SIZES:
                progress(f"checker {label}: callgrind")
                results["callgrind"][label] = {
                    c.name: callgrind(c, self.base_env, os.path.join(self.work, "callgrind", key))
                    for c in per_host[IP]}
            if label == "2 KB":
                progress("checker 2 KB: heap and waits")
                results["heap"] = self.heaps(per_host[IP])
                results["waits"] = self.waits(per_host)
        return results
