"""The part of docs/benchmarks.md on kestrel-cli inspect: the whole check of
a large zip against unzip -tqq of the same file, and inspect's peak memory
by archive size (bench/package-check's results)."""
import json

from report_verify import peak_memory, seconds, sizes

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, FLOOR = "kestrel-cli inspect", "unzip -tqq"


def inspect_section(report):
    measured = sizes(report, "inspect")
    if not measured:
        return
    memory = peak_memory(report, "inspect")
    with open(report.path("inspect-load.txt")) as f:
        load = f.read().strip()
    report.add("## kestrel-cli inspect", "",
               "`kestrel-cli -C DIR inspect FILE` of a zip made by Python's zipfile (deflated files of 2 MB, half "
               "random bytes, half text): every entry listed and read to its end through libarchive with its CRC "
               "checked, the names and UpdateSQL.txt judged, the local files read. Its floor is `unzip -tqq` of "
               "the same file, which tests every entry's CRC the same way. Both timed in turns by hyperfine in the "
               "same run; peak memory is the median of 5 runs' maximum resident set (`/usr/bin/time -f %M`). "
               f"Load average as these runs began: {load}.", "")
    rows = []
    for size in measured:
        with open(report.path(f"inspect-{size}.json")) as f:
            runs = {r["command"]: r for r in json.load(f)["results"]}
        ours, floor = runs[OURS], runs[FLOOR]
        for name, r in ((OURS, ours), (FLOOR, floor)):
            rows.append((f"{size} MB", name, seconds(r["mean"]), seconds(r["stddev"]), seconds(r["min"]),
                         seconds(r["user"]), seconds(r["system"]),
                         f"{memory[size]:.1f} MiB" if name == OURS else ""))
        if size == max(measured):
            ratio = ours["mean"] / floor["mean"]
            report.targets.append((f"kestrel-cli inspect of a {size} MB zip vs unzip -tqq", f"≤ {TIME_LIMIT}x",
                                   f"{seconds(ours['mean'])} against {seconds(floor['mean'])}", f"{ratio:.2f}x",
                                   ratio <= TIME_LIMIT))
    report.table(["zip", "program", "mean", "σ", "min", "user", "system", "peak memory"], rows)
    peak = max(memory.values())
    report.targets.append((f"peak memory of inspect, {' and '.join(f'{s} MB' for s in measured)}",
                           f"< {MEMORY_LIMIT_MIB} MiB, the same for each",
                           ", ".join(f"{memory[s]:.1f} MiB" for s in measured),
                           f"{peak / MEMORY_LIMIT_MIB:.2f}x the limit", peak < MEMORY_LIMIT_MIB))
