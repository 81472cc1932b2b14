"""Writes docs/performance.md and its plots from the results of bench.py; every number in the
page comes from those results."""

import os

from goals import findings_section, goals_section, growth_slopes
from plots import draw_plots
from results import CHECKER_NAMES, GOAL_SIZE, IP, MIB, Results, mb, millions, ms


def table(header, rows):
    cells = lambda row: "| " + " | ".join(cell.replace("|", "\\|") for cell in row) + " |"
    return [cells(header), "|" + "---|" * len(header)] + [cells(row) for row in rows]


def timing_section(results):
    lines = ["## Wall time", "",
             "Median of the timed runs in ms (the fastest run in brackets), hyperfine with its "
             "shell start-up subtracted; \"load\" is the load average when the group started. "
             "\"checker\" starts from an empty data directory each run, so "
             "it downloads and writes version.json; \"steady state\" finds the same version "
             "already stored and writes nothing; \"traced\" is the first with "
             "`system_trace_enable` true.", "",
             f"![wall time against response size]({results.images}/perf-time.png)", ""]
    for host in (IP, "localhost"):
        rows = []
        for size in results.sizes:
            cells = [size]
            for name in CHECKER_NAMES:
                found = results.timing(size, host, name)
                cells.append(f"{ms(found['median'])} ({ms(found['min'])})" if found else "")
            group = next(g for g in results.checker["timing"]
                         if g["size"] == size and g["host"] == host)
            cells.append(f"{next(iter(group['commands'].values()))['runs']}, {group['load']}")
            rows.append(cells)
        lines += [f"URL with `{host}`:", ""]
        lines += table(["response", *CHECKER_NAMES, "runs, load"], rows) + [""]
    return lines


def memory_section(results):
    lines = ["## Peak memory", "",
             "Peak resident set in MB (median of the repeats, `/usr/bin/time`), IP-literal URL. "
             "`curl | jq` is the sum of its two processes, which run at the same time. "
             "\"jansson tree alone\" is what parsing the same file with jansson adds to a "
             "process that does nothing else: the floor for any program that keeps the parsed "
             "document.", "",
             f"![peak memory against response size]({results.images}/perf-memory.png)", ""]
    names = CHECKER_NAMES + ["jansson tree alone"]
    rows = [[size] + [mb(results.memory(size, name)) for name in names] for size in results.sizes]
    return lines + table(["response", *names], rows) + [""]


def growth_section(results):
    lines = ["## Cost growth", "",
             "Cost added per MB of response between the measured sizes (IP-literal URL): wall "
             "time (medians), CPU time (user + system, means) and peak memory. Equal values "
             "in a pair of columns mean cost linear in the size. In a pipeline the CPU time of "
             "both processes counts.", ""]
    rows = []
    for name in CHECKER_NAMES:
        wall = growth_slopes(results, lambda s, n=name: results.median(s, IP, n) * 1000)
        cpu = growth_slopes(results, lambda s, n=name: results.cpu(s, IP, n) * 1000)
        memory = growth_slopes(results, lambda s, n=name: results.memory(s, n))
        if wall and cpu and memory:
            rows.append([name] + [f"{value:.1f}" for value in (*wall[:2], *cpu[:2])] +
                        [f"{memory[0]:.0f}", f"{memory[1]:.0f}"])
    if not rows:
        return lines + ["Not measured in quick mode.", ""]
    return lines + table(["command", "wall ms/MB, 1→16 MB", "16→64 MB", "CPU ms/MB, 1→16 MB",
                          "16→64 MB", "KiB/MB, 1→16 MB", "16→64 MB"], rows) + [""]


def instructions_section(results):
    calls = results.checker.get("callgrind", {}).get(GOAL_SIZE, {})
    if not calls:
        return []
    objects = {}
    for entry in calls.values():
        for name, count in entry["by_object"].items():
            objects[name] = objects.get(name, 0) + count
    shown = [name for name, _ in sorted(objects.items(), key=lambda item: -item[1])[:7]
             if name != "other"]
    lines = ["## Instructions at 2 KB", "",
             "Instructions executed (callgrind's Ir), IP-literal URL: repeatable where wall time "
             "is not. Per shared object, self cost; \"rest\" is the other objects and the "
             "functions callgrind lists without one.", ""]
    rows = []
    for name, entry in calls.items():
        rest = entry["total"] - sum(entry["by_object"].get(obj, 0) for obj in shown)
        rows.append([name, millions(entry["total"])] +
                    [millions(entry["by_object"].get(obj, 0)) for obj in shown] +
                    [millions(rest)])
    lines += table(["command", "total", *shown, "rest"], rows) + [""]
    if not results.instructions("1 MB", "checker"):
        return lines
    per_mb = (results.size_bytes("1 MB") - results.size_bytes(GOAL_SIZE)) / MIB
    rows = [[name, millions(results.instructions("1 MB", name)),
             millions((results.instructions("1 MB", name) - entry["total"]) / per_mb)]
            for name, entry in calls.items()]
    return lines + ["At 1 MB, and what each MB of response adds:", ""] + \
        table(["command", "total at 1 MB", "per MB"], rows) + [""]


def waits_section(results):
    waits = results.checker.get("waits", {})
    if not waits:
        return []
    lines = ["## Waiting at 2 KB", "",
             "Time spent in waiting system calls during one run (strace -T, all threads; "
             "`fsync` waits for the disk), in ms, with the number of calls.", ""]
    calls = sorted({call for entry in waits.values() for call in entry})
    rows = [[name] + [f"{ms(entry[c]['seconds'])} ({entry[c]['calls']})" if c in entry else ""
                      for c in calls] for name, entry in waits.items()]
    return lines + table(["run", *calls], rows) + [""]


def tracing_section(results):
    traces = results.checker.get("trace", [])
    if not traces:
        return []
    lines = ["## Tracing", "",
             "The checker with `system_trace_enable` true against the same run without, and "
             "the trace.json it leaves. \"sleep passes\" counts the download passes that took "
             "the sleep branch (\"fdset fail, enter sleep branch\"), \"passes\" every "
             "`curl_multi_perform`.", ""]
    rows = []
    for entry in traces:
        size = entry["size"]
        plain, traced = (results.median(size, IP, n) for n in ("checker", "checker, traced"))
        rows.append([size, ms(plain), ms(traced), f"{traced / plain:.2f}",
                     mb(results.memory(size, "checker")),
                     mb(results.memory(size, "checker, traced")), f"{entry['bytes'] / 1024:.0f}",
                     str(entry["entries"]), str(entry["sleep_passes"]), str(entry["fill_passes"])])
    return lines + table(["response", "ms untraced", "ms traced", "ratio", "MB untraced",
                          "MB traced", "trace.json KB", "entries", "sleep passes", "passes"],
                         rows) + [""]


def notifier_section(results):
    if not results.notifier:
        return []
    timing = results.notifier["timing"]
    lines = ["## Notifier", "",
             "On a private `dbus-daemon --session` with the project's test notification server "
             "(tests/notifier/notification_server.py). NOGO: no version.json, the run ends after "
             "the update decision. \"GO until the balloon expires\" runs the server as its own "
             "process, answering Notify and letting the balloon expire at once, so that the "
             "notifier ends through its balloon-timeout path: the whole run from exec to exit, "
             "notification request and its round trip included. \"GO start to Notify received\" "
             "runs the server inside the measuring process and takes the time from just before "
             "the notifier is started (fork and exec included) to the moment the server handles "
             "its Notify call: the GO path up to the notification request. Times in ms.", ""]
    memory = results.notifier["memory"]
    calls = results.notifier["callgrind"]
    rows = []
    for name, entry in timing.items():
        rows.append([name, ms(entry["median"]), ms(entry["min"]), ms(entry["max"]),
                     str(entry["runs"]), mb(memory[name]["total_kib"]) if name in memory else "",
                     millions(calls[name]["total"]) if name in calls else ""])
    return lines + table(["run", "median", "min", "max", "runs", "peak MB", "instructions"],
                         rows) + [""]


def header_section(results):
    machine = results.data["machine"]
    changed = " (with uncommitted changes in checker/, notifier/ or support/)" \
        if machine["changed"] else ""
    return [
        "# Performance", "",
        f"Written by `bench/run.sh{' --quick' if results.data['mode'] == 'quick' else ''}` on "
        f"{results.data['started']} in {results.data['seconds']:.0f} s; run it again rather "
        "than editing this page. Built from {}{}.".format(machine["commit"].split()[0], changed),
        "",
        "The checker and the notifier against what a user could script: `curl -s URL -o "
        "/dev/null` (one HTTPS GET with the same libcurl, the floor) and `curl -s URL | jq -r "
        "'.[0].featuredArtifact.url'`. All on loopback: DM responses of the sizes below "
        "(the update service's own generator: the featured artifact first, then padding "
        "elements), served over HTTPS with the update service's throwaway CA by "
        "bench/https_file_server.py, which answers from memory with TCP_NODELAY so that the "
        "server's own cost stays out of the client's time.", "",
        "| response | bytes |", "|---|---|",
        *[f"| {body['size']} | {body['bytes']} |" for body in results.data["bodies"]], "",
        f"Machine: {machine['cpu']}, Linux {machine['kernel']}; {machine['curl'].split(' (')[0]} "
        f"({machine['curl'].split(') ')[1].split()[0]}), {machine['jq']}, "
        f"{machine['hyperfine']}, {machine['valgrind']}. The machine is shared with other "
        "builds: load before and after the run:", "",
        f"    before: {results.data['uptime_before']}",
        f"    after:  {results.data['uptime_after']}", "",
        "Wall times on a loaded machine move by a millisecond or more between runs; the "
        "instruction counts are the repeatable comparison.", ""]


def write_report(data, report_path, images_dir):
    results = Results(data)
    results.images = os.path.relpath(images_dir, os.path.dirname(os.path.abspath(report_path)))
    os.makedirs(images_dir, exist_ok=True)
    draw_plots(results, IP, images_dir)
    sections = [header_section(results), goals_section(results), findings_section(results),
                timing_section(results), memory_section(results), growth_section(results),
                instructions_section(results), waits_section(results), tracing_section(results),
                notifier_section(results)]
    text = "\n".join(line for section in sections for line in section).rstrip() + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(report_path)), exist_ok=True)
    with open(report_path, "w", encoding="utf-8") as out:
        out.write(text)
