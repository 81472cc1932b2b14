"""The report's two plots, drawn by gnuplot: wall time and peak memory against response size."""

import os
import subprocess

SERIES = ["checker", "checker, steady state", "checker, traced", "curl", "curl | jq"]
KIB = 1024


def data_block(name, points):
    rows = "\n".join(f"{x} {y}" for x, y in points if y is not None)
    return f"${name} << EOD\n{rows}\nEOD\n"


def plot_script(output, title, ylabel, series, log_y=True):
    """series: [(title, [(size in KiB, value)], dashed)]"""
    blocks = "".join(data_block(f"s{i}", points) for i, (_, points, _) in enumerate(series))
    plots = ", ".join(
        f'$s{i} using 1:2 with linespoints lw 2 pt 7 ps 0.8 dt {2 if dashed else 1} '
        f'title "{label}"' for i, (label, _, dashed) in enumerate(series))
    return blocks + f"""
set terminal pngcairo size 900,560 font "sans,11"
set output "{output}"
set title "{title}"
set xlabel "DM response size"
set ylabel "{ylabel}"
set logscale x 2
{"set logscale y 10" if log_y else ""}
set xtics ("2 KB" 2, "16 KB" 16, "128 KB" 128, "1 MB" 1024, "16 MB" 16384, "64 MB" 65536)
set grid xtics ytics mytics
set key top left box opaque
set xrange [1.5:90000]
plot {plots}
"""


def draw_plots(results, host, images_dir):
    sizes = [(s, results.size_bytes(s) / KIB) for s in results.sizes]
    time_series = [(name, [(kib, (results.median(s, host, name) or 0) * 1000 or None)
                           for s, kib in sizes], False) for name in SERIES]
    time_series.append(("checker, localhost", [(kib, (results.median(s, "localhost", "checker")
                                                       or 0) * 1000 or None)
                                               for s, kib in sizes], True))
    time_series.append(("checker, CPU time (user + system)",
                        [(kib, (results.cpu(s, host, "checker") or 0) * 1000 or None)
                         for s, kib in sizes], True))
    memory_series = [(name, [(kib, results.memory(s, name) / KIB) for s, kib in sizes], False)
                     for name in SERIES]
    base = results.memory(sizes[0][0], "checker") if sizes else 0
    memory_series.append(("jansson tree alone + checker at 2 KB",
                          [(kib, (base + results.memory(s, "jansson tree alone")) / KIB)
                           for s, kib in sizes], True))
    scripts = [
        plot_script(os.path.join(images_dir, "perf-time.png"),
                    f"Wall time (median) and the checker's CPU time, URL with {host}", "ms",
                    time_series),
        plot_script(os.path.join(images_dir, "perf-memory.png"),
                    f"Peak resident memory (URL with {host})", "MB", memory_series),
    ]
    for script in scripts:
        subprocess.run(["gnuplot"], input=script, text=True, check=True)
