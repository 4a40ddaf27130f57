"""What the reports of whole program runs share (verify, inspect, publish):
the sizes measured, hyperfine's timings, peak memory and the load average
as the runs began."""
import json
import os
import statistics


def sizes(report, command):
    """The package sizes in MB that COMMAND-<size>.json hold timings of."""
    found = [int(name[len(command) + 1:-len(".json")]) for name in os.listdir(report.dir)
             if name.startswith(command + "-") and name.endswith(".json")]
    return sorted(found)


def peak_memory(report, command):
    """Package size in MB -> median peak resident memory in MiB, from COMMAND-memory.txt."""
    kb = {}
    with open(report.path(command + "-memory.txt")) as f:
        for line in f:
            size, value = line.split()
            kb.setdefault(int(size), []).append(int(value))
    return {size: statistics.median(values) / 1024 for size, values in kb.items()}


def load_average(report, command):
    with open(report.path(command + "-load.txt")) as f:
        return f.read().strip()


def runs_of(report, command, size):
    """hyperfine's results for one size, by command."""
    with open(report.path(f"{command}-{size}.json")) as f:
        return {r["command"]: r for r in json.load(f)["results"]}


def seconds(value):
    return f"{value:.3f} s" if value >= 1 else f"{value * 1e3:.1f} ms"


def timing_row(size, name, run, memory, with_cpu=True):
    """One table row: the size, the program, its times, and its peak memory when it is ours."""
    cpu = (seconds(run["user"]), seconds(run["system"])) if with_cpu else ()
    return (f"{size} MB", name, seconds(run["mean"]), seconds(run["stddev"]), seconds(run["min"]), *cpu,
            f"{memory:.1f} MiB" if memory is not None else "")


def memory_target(report, program, memory, measured, limit_mib):
    """The target: PROGRAM's peak memory below the limit, the same for each size."""
    peak = max(memory.values())
    report.targets.append((f"peak memory of {program}, {' and '.join(f'{s} MB' for s in measured)}",
                           f"< {limit_mib} MiB, the same for each",
                           ", ".join(f"{memory[s]:.1f} MiB" for s in measured),
                           f"{peak / limit_mib:.2f}x the limit", peak < limit_mib))
