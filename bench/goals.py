"""The goals with their measured ratios, and the causes that stand in the way of those missed.

A paragraph about a cause appears only while the measurements show that cause."""

from results import GOAL_SIZE, IP, MIB, mb, millions, ms


def verdict(met):
    return "met" if met else "**missed**"


def growth_slopes(results, value_of):
    """Marginal cost per MiB from 1 MB to 16 MB and from 16 MB to 64 MB, and their ratio."""
    if not {"1 MB", "16 MB", "64 MB"} <= set(results.sizes):
        return None
    points = [(results.size_bytes(s) / MIB, value_of(s)) for s in ("1 MB", "16 MB", "64 MB")]
    low = (points[1][1] - points[0][1]) / (points[1][0] - points[0][0])
    high = (points[2][1] - points[1][1]) / (points[2][0] - points[1][0])
    return low, high, (high / low if low > 0 else float("inf"))


def goals_section(results):
    lines = ["## Goals", "",
             "Ratios of medians from the same run (and of the fastest runs, which a busy machine "
             "disturbs least); the 2 KB response with the IP-literal URL. Linearity is judged "
             "on CPU time (user + system), which other work on the machine moves less than wall "
             "time.", "",
             "| goal | measured | ratio | |", "|---|---|---|---|"]
    checker = results.median(GOAL_SIZE, IP, "checker")
    curl = results.median(GOAL_SIZE, IP, "curl")
    piped = results.median(GOAL_SIZE, IP, "curl | jq")
    steady = results.median(GOAL_SIZE, IP, "checker, steady state")
    if checker and curl and piped:
        timed = lambda name: (f"{ms(results.median(GOAL_SIZE, IP, name))} ms (min "
                              f"{ms(results.minimum(GOAL_SIZE, IP, name))})")
        fastest = lambda a, b: (results.minimum(GOAL_SIZE, IP, a) /
                                results.minimum(GOAL_SIZE, IP, b))
        ratio = checker / piped
        lines.append(f"| checker ≤ 0.8 × `curl \\| jq` (wall time) | {timed('checker')} vs "
                     f"{timed('curl | jq')} | {ratio:.2f} (fastest: "
                     f"{fastest('checker', 'curl | jq'):.2f}) | {verdict(ratio <= 0.8)} |")
        ratio = checker / curl
        lines.append(f"| checker ≤ 1.2 × `curl` (wall time) | {timed('checker')} vs "
                     f"{timed('curl')} | {ratio:.2f} (fastest: {fastest('checker', 'curl'):.2f})"
                     f" | {verdict(ratio <= 1.2)} |")
        ratio = steady / curl
        lines.append(f"| the same at steady state (nothing written) | "
                     f"{timed('checker, steady state')} vs {timed('curl')} | {ratio:.2f} (fastest: "
                     f"{fastest('checker, steady state', 'curl'):.2f}) | "
                     f"{verdict(ratio <= 1.2)} |")
    checker_kib = results.memory(GOAL_SIZE, "checker")
    curl_kib = results.memory(GOAL_SIZE, "curl")
    if checker_kib and curl_kib:
        ratio = checker_kib / curl_kib
        lines.append(f"| checker's peak memory ≤ `curl`'s | {mb(checker_kib)} MB vs "
                     f"{mb(curl_kib)} MB | {ratio:.2f} | {verdict(ratio <= 1.0)} |")

    slopes = growth_slopes(results, lambda s: results.cpu(s, IP, "checker") * 1000)
    if slopes:
        lines.append(f"| time linear in the size (CPU time per MB from 16 to 64 MB over that "
                     f"from 1 to 16 MB, 1.0 = linear) | {slopes[0]:.1f} and {slopes[1]:.1f} "
                     f"ms/MB | {slopes[2]:.2f} | {verdict(0.75 <= slopes[2] <= 1.33)} |")
        slopes = growth_slopes(results, lambda s: results.memory(s, "checker"))
        lines.append(f"| memory linear in the size (the same for peak memory) | {slopes[0]:.0f} "
                     f"and {slopes[1]:.0f} KiB/MB | {slopes[2]:.2f} | "
                     f"{verdict(0.75 <= slopes[2] <= 1.33)} |")
        excess = body_excess(results, "checker")
        lines.append(f"| the raw body never held whole (growth beyond the jansson tree's, as a "
                     f"share of the body, at 64 MB) | {mb(excess[0])} MB of {mb(excess[1])} MB | "
                     f"{excess[0] / excess[1]:.2f} | {verdict(excess[0] < 0.1 * excess[1])} |")
    else:
        lines.append("| cost linear in the size; body never held whole | not measured in quick "
                     "mode | | |")

    lines += cross_check(results)
    if results.notifier:
        timing = results.notifier["timing"]
        nogo = timing["notifier, NOGO (no version.json)"]
        notify = timing["notifier, GO start to Notify received"]
        for goal, entry, bound in (("notifier NOGO < 5 ms", nogo, 0.005),
                                   ("notifier GO to the notification request < 50 ms", notify,
                                    0.05)):
            lines.append(f"| {goal} | {ms(entry['median'])} ms (min {ms(entry['min'])}) | "
                         f"{entry['median'] / bound:.2f} of the bound (fastest: "
                         f"{entry['min'] / bound:.2f}) | {verdict(entry['median'] < bound)} |")
    return lines + [""]


def cross_check(results):
    """The wall-time goals again in instructions, which a busy machine does not move."""
    counts = {name: results.instructions(GOAL_SIZE, name)
              for name in ("checker", "checker, steady state", "curl", "curl | jq")}
    if None in counts.values():
        return []
    return [f"| (in instructions at 2 KB: checker / `curl \\| jq`; checker / `curl`; steady "
            f"state / `curl`) | {millions(counts['checker'])}, {millions(counts['curl | jq'])}, "
            f"{millions(counts['curl'])} | {counts['checker'] / counts['curl | jq']:.2f}; "
            f"{counts['checker'] / counts['curl']:.2f}; "
            f"{counts['checker, steady state'] / counts['curl']:.2f} | |"]


def body_excess(results, name):
    """KiB the command's peak grows by from 2 KB to 64 MB beyond the jansson tree's own growth,
    and the body's growth in KiB."""
    grown = results.memory("64 MB", name) - results.memory(GOAL_SIZE, name)
    tree = (results.memory("64 MB", "jansson tree alone") -
            results.memory(GOAL_SIZE, "jansson tree alone"))
    body = (results.size_bytes("64 MB") - results.size_bytes(GOAL_SIZE)) / 1024
    return grown - tree, body


def findings_section(results):
    """Causes, each shown only while the measurements show it."""
    lines = ["## What stands in the way", ""]
    checker = results.median(GOAL_SIZE, IP, "checker")
    waits = results.checker.get("waits", {}).get(f"checker via {IP}", {})
    slept = waits.get("clock_nanosleep", {}).get("seconds", 0.0)
    found = False
    if checker and slept > 0.5 * checker:
        found = True
        lines += [
            f"**The checker sleeps before it connects.** Of its {ms(checker)} ms at 2 KB, "
            f"{ms(slept)} ms are spent in `clock_nanosleep` (strace), in "
            f"{waits['clock_nanosleep']['calls']} call(s). The download's first pass asks "
            "libcurl for its sockets before the first `curl_multi_perform`; the transfer has no "
            "socket yet, so the pass takes the sleep branch and pauses for "
            "`curl_fdset_timeout_millis` (100 ms by default), although `curl_multi_timeout` "
            "has just answered 0 (perform now). With a host name that libcurl hands to its "
            "resolver thread the branch would also wait in 100 ms steps until the address is "
            "known (libcurl answers `localhost` itself, so here it costs the same single "
            "pass). libcurl's advice for this case is to wait no longer than "
            "`curl_multi_timeout` says, and about 100 ms only when it gives no value. Setting "
            "`curl_fdset_timeout_millis` to 0 in config.json removes the pause today; the "
            "tracing table below counts the passes that took the branch.", ""]
    checker_kib = results.memory(GOAL_SIZE, "checker")
    curl_kib = results.memory(GOAL_SIZE, "curl")
    calls = results.checker.get("callgrind", {}).get(GOAL_SIZE, {})
    if checker_kib and curl_kib and checker_kib > curl_kib and "checker" in calls:
        found = True
        loader = lambda name: calls[name]["by_object"].get("ld-linux-x86-64", 0)
        lines += [
            f"**The C++ runtime costs memory and start-up.** The checker peaks "
            f"{mb(checker_kib - curl_kib)} MB above `curl` with the same libcurl, OpenSSL and "
            f"CA file{heap_note(results)}. The difference is file-backed pages: the shared "
            "libstdc++ (relocated at start, so its pages are touched) and the locale and "
            "stream set-up that `<iostream>` (console lines) and `std::ostringstream` "
            "(`to_string`) bring. The "
            f"dynamic loader alone executes {millions(loader('checker'))} instructions in "
            f"the checker against {millions(loader('curl'))} in curl.", ""]
    trace64 = results.trace("64 MB")
    if trace64:
        traced_kib = results.memory("64 MB", "checker, traced")
        plain_kib = results.memory("64 MB", "checker")
        found = True
        lines += [
            f"**Tracing holds the whole body.** At 64 MB the traced run peaks at "
            f"{mb(traced_kib)} MB against {mb(plain_kib)} MB untraced, and writes a trace.json "
            f"of {mb(trace64['bytes'] / 1024)} MB with {trace64['entries']} entries: every body "
            "chunk is recorded (\"EVENT_RESPONSE\" with the chunk's text), and every pull of "
            "the parser adds its own messages, each under a key with the local time. The cost "
            "stays linear in the size (see the growth table), but with tracing on the body is "
            "held whole, in the trace.", ""]
    synced = waits.get("fsync", {}).get("seconds", 0.0)
    if synced >= 0.0001:
        found = True
        lines += [
            f"**Storing version.json waits for the disk.** A run that stores a new version "
            f"spends {ms(synced)} ms in `fsync` (strace, 2 KB): the file is flushed before it "
            "replaces the old one, so that a crash never leaves half a file behind. A run that "
            "finds nothing new (steady state) does not write, and that is the run a scheduled "
            "check makes almost every time.", ""]
    big = "64 MB"
    if results.median(big, IP, "checker") and \
            results.median(big, IP, "checker") > results.median(big, IP, "curl | jq"):
        found = True
        one = lambda name: results.instructions("1 MB", name)
        lines += [
            f"**Large responses: one thread against two.** At {big} the checker takes "
            f"{ms(results.median(big, IP, 'checker'))} ms against "
            f"{ms(results.median(big, IP, 'curl | jq'))} ms for `curl | jq`"
            + (f", although at 1 MB it executes {millions(one('checker'))} instructions "
               f"against {millions(one('curl | jq'))}" if one("checker") and one("curl | jq")
               else "") +
            ": in the pipeline curl decrypts and jq parses at the same time on two cores, "
            "while the checker decrypts and parses in turn on one thread, as its design "
            "wants. The cost per MB stays constant (see the growth table).", ""]
    notifier = results.notifier
    nogo_name = "notifier, NOGO (no version.json)"
    if notifier and notifier["timing"][nogo_name]["median"] >= 0.005:
        found = True
        counts = notifier["callgrind"][nogo_name]
        loader = counts["by_object"].get("ld-linux-x86-64", 0)
        lines += [
            f"**The notifier's NOGO run is mostly program loading.** Of its "
            f"{millions(counts['total'])} instructions, {millions(loader)} are in the dynamic "
            "loader (relocating GIO, GLib, GObject and libstdc++, and their dependencies) "
            "before `main` runs; the notifier's own code executes "
            f"{counts['by_object'].get('notifier', 0) / 1000:.0f} thousand. Its wall time, "
            f"{ms(notifier['timing'][nogo_name]['median'])} ms median and "
            f"{ms(notifier['timing'][nogo_name]['min'])} ms at best, is mostly exec and "
            "loading on a busy machine.", ""]
    piped = calls.get("curl | jq")
    if piped:
        found = True
        jq_share = piped["by_object"].get("libjq", 0)
        lines += [
            f"**`curl | jq` is dominated by jq's start.** Of its {millions(piped['total'])} "
            f"instructions at 2 KB, {millions(jq_share)} are in libjq, most of them compiling "
            "jq's built-in definitions before the first byte is read.", ""]
    if not found:
        lines += ["Nothing: every goal above is met.", ""]
    return lines


def heap_note(results):
    heap = results.checker.get("heap", {})
    if "checker" not in heap or "curl" not in heap:
        return ""
    return (f", while its heap peaks at {mb(heap['checker'])} MB against curl's "
            f"{mb(heap['curl'])} MB (valgrind massif)")
