"""The part of docs/benchmarks.md on kestrel-cli verify --package: the whole
check of a large package served from 127.0.0.1 against curl and sha256sum
of the same package, and verify's peak memory by package size
(bench/verify-package's results)."""
import json
import os
import statistics

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, FLOOR = "kestrel-cli verify --package", "curl, then sha256sum"


def sizes(report, command="verify"):
    """The package sizes in MB that COMMAND-<size>.json hold timings of."""
    found = [int(name[len(command) + 1:-len(".json")]) for name in os.listdir(report.dir)
             if name.startswith(command + "-") and name.endswith(".json")]
    return sorted(found)


def peak_memory(report, command="verify"):
    """Package size in MB -> median peak resident memory in MiB, from COMMAND-memory.txt."""
    kb = {}
    with open(report.path(command + "-memory.txt")) as f:
        for line in f:
            size, value = line.split()
            kb.setdefault(int(size), []).append(int(value))
    return {size: statistics.median(values) / 1024 for size, values in kb.items()}


def seconds(value):
    return f"{value:.3f} s" if value >= 1 else f"{value * 1e3:.1f} ms"


def verify_section(report):
    measured = sizes(report)
    if not measured:
        return
    memory = peak_memory(report)
    with open(report.path("verify-load.txt")) as f:
        load = f.read().strip()
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
        with open(report.path(f"verify-{size}.json")) as f:
            runs = {r["command"]: r for r in json.load(f)["results"]}
        ours, floor = runs[OURS], runs[FLOOR]
        for name, r in ((OURS, ours), (FLOOR, floor)):
            rows.append((f"{size} MB", name, seconds(r["mean"]), seconds(r["stddev"]), seconds(r["min"]),
                         seconds(r["user"]), seconds(r["system"]),
                         f"{memory[size]:.1f} MiB" if name == OURS else ""))
        if size == max(measured):
            ratio = ours["mean"] / floor["mean"]
            report.targets.append((f"kestrel-cli verify --package, {size} MB from 127.0.0.1, vs curl then sha256sum",
                                   f"≤ {TIME_LIMIT}x", f"{seconds(ours['mean'])} against {seconds(floor['mean'])}",
                                   f"{ratio:.2f}x", ratio <= TIME_LIMIT))
    report.table(["package", "program", "mean", "σ", "min", "user", "system", "peak memory"], rows)
    peak = max(memory.values())
    report.targets.append((f"peak memory of verify --package, {' and '.join(f'{s} MB' for s in measured)}",
                           f"< {MEMORY_LIMIT_MIB} MiB, the same for each",
                           ", ".join(f"{memory[s]:.1f} MiB" for s in measured),
                           f"{peak / MEMORY_LIMIT_MIB:.2f}x the limit", peak < MEMORY_LIMIT_MIB))
