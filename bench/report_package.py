"""The part of docs/benchmarks.md on kestrel-cli inspect: the whole check of
a large zip against unzip -tqq of the same file, and inspect's peak memory
by archive size (bench/package-check's results)."""
from report_runs import load_average, memory_target, peak_memory, runs_of, seconds, sizes, timing_row

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, FLOOR = "kestrel-cli inspect", "unzip -tqq"


def inspect_section(report):
    measured = sizes(report, "inspect")
    if not measured:
        return
    memory = peak_memory(report, "inspect")
    load = load_average(report, "inspect")
    report.add("## kestrel-cli inspect", "",
               "`kestrel-cli -C DIR inspect FILE` of a zip made by Python's zipfile (deflated files of 2 MB, half "
               "random bytes, half text): every entry listed and read to its end through libarchive with its CRC "
               "checked, the names and UpdateSQL.txt judged, the local files read. Its floor is `unzip -tqq` of "
               "the same file, which tests every entry's CRC the same way. Both timed in turns by hyperfine in the "
               "same run; peak memory is the median of 5 runs' maximum resident set (`/usr/bin/time -f %M`). "
               f"Load average as these runs began: {load}.", "")
    rows = []
    for size in measured:
        runs = runs_of(report, "inspect", size)
        ours, floor = runs[OURS], runs[FLOOR]
        for name, r in ((OURS, ours), (FLOOR, floor)):
            rows.append(timing_row(size, name, r, memory[size] if name == OURS else None))
        if size == max(measured):
            ratio = ours["mean"] / floor["mean"]
            report.targets.append((f"kestrel-cli inspect of a {size} MB zip vs unzip -tqq", f"≤ {TIME_LIMIT}x",
                                   f"{seconds(ours['mean'])} against {seconds(floor['mean'])}", f"{ratio:.2f}x",
                                   ratio <= TIME_LIMIT))
    report.table(["zip", "program", "mean", "σ", "min", "user", "system", "peak memory"], rows)
    memory_target(report, "inspect", memory, measured, MEMORY_LIMIT_MIB)
