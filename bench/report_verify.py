"""The part of docs/benchmarks.md on kestrel-cli verify --package: the whole
check of a large package served from 127.0.0.1 against curl and sha256sum
of the same package, and verify's peak memory by package size
(bench/verify-package's results)."""
from report_runs import load_average, memory_target, peak_memory, runs_of, seconds, sizes, timing_row

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, FLOOR = "kestrel-cli verify --package", "curl, then sha256sum"


def verify_section(report):
    measured = sizes(report, "verify")
    if not measured:
        return
    memory = peak_memory(report, "verify")
    load = load_average(report, "verify")
    report.add("## kestrel-cli verify --package", "",
               "`kestrel-cli -C DIR verify --package FILE` of a release whose package (a zip of one stored "
               "entry of random bytes) Python's `http.server` serves from 127.0.0.1: the descriptor fetched and "
               "compared, the package downloaded and hashed as it streams, FILE hashed to compare with, and FILE "
               "read whole through the package check. "
               "Its floor is the least a pipeline script does for the package alone: `curl -s -o /dev/null` of "
               "the package, then `sha256sum FILE`. Both timed in turns by hyperfine in the same run; peak "
               "memory is the median of 5 runs' maximum resident set (`/usr/bin/time -f %M`). Load average as "
               f"these runs began: {load}.", "")
    rows = []
    for size in measured:
        runs = runs_of(report, "verify", size)
        ours, floor = runs[OURS], runs[FLOOR]
        for name, r in ((OURS, ours), (FLOOR, floor)):
            rows.append(timing_row(size, name, r, memory[size] if name == OURS else None))
        if size == max(measured):
            ratio = ours["mean"] / floor["mean"]
            report.targets.append((f"kestrel-cli verify --package, {size} MB from 127.0.0.1, vs curl then sha256sum",
                                   f"≤ {TIME_LIMIT}x", f"{seconds(ours['mean'])} against {seconds(floor['mean'])}",
                                   f"{ratio:.2f}x", ratio <= TIME_LIMIT))
    report.table(["package", "program", "mean", "σ", "min", "user", "system", "peak memory"], rows)
    memory_target(report, "verify --package", memory, measured, MEMORY_LIMIT_MIB)
