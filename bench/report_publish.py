"""The part of docs/benchmarks.md on kestrel-cli publish: a large package put
live over FTP on 127.0.0.1 against curl -T of the same file, and against the
same work done by hand (curl -T, curl fetching it back, sha256sum), with
publish's peak memory by package size (bench/publish-ftp's results)."""
import json

from report_verify import peak_memory, seconds, sizes

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, UPLOAD, BY_HAND = "kestrel-cli publish", "curl -T", "curl -T, curl, sha256sum"


def publish_section(report):
    measured = sizes(report, "publish")
    if not measured:
        return
    memory = peak_memory(report, "publish")
    with open(report.path("publish-load.txt")) as f:
        load = f.read().strip()
    report.add("## kestrel-cli publish over FTP", "",
               "`kestrel-cli -C DIR publish --to ftp://publisher@127.0.0.1:PORT/` of a release whose package (a zip "
               "of one stored entry of random bytes) goes to pyftpdlib on 127.0.0.1, which writes into the folder "
               "that `tests/support/release_server.py` serves: the package check and SHA-256 of the local file, the "
               "upload under a temporary name and the rename, the gate (the package downloaded from its address and "
               "hashed), Update.txt sent and renamed, and verify's checks. Each run starts with the package and "
               "Update.txt gone from the server. Against `curl -T` of the package to the same server (the upload "
               "alone), and against the same work by hand: `curl -T`, then `curl -o /dev/null` of the package's "
               "address and `sha256sum` of the file. Timed in turns by hyperfine in the same run; peak memory is the "
               f"median of 3 runs' maximum resident set. Load average as these runs began: {load}.", "")
    rows = []
    for size in measured:
        with open(report.path(f"publish-{size}.json")) as f:
            runs = {r["command"]: r for r in json.load(f)["results"]}
        for name in (OURS, UPLOAD, BY_HAND):
            r = runs[name]
            rows.append((f"{size} MB", name, seconds(r["mean"]), seconds(r["stddev"]), seconds(r["min"]),
                         f"{memory[size]:.1f} MiB" if name == OURS else ""))
        if size == max(measured):
            for floor in (UPLOAD, BY_HAND):
                ratio = runs[OURS]["mean"] / runs[floor]["mean"]
                report.targets.append((f"kestrel-cli publish, {size} MB over FTP on 127.0.0.1, vs {floor}",
                                       f"≤ {TIME_LIMIT}x",
                                       f"{seconds(runs[OURS]['mean'])} against {seconds(runs[floor]['mean'])}",
                                       f"{ratio:.2f}x", ratio <= TIME_LIMIT))
    report.table(["package", "program", "mean", "σ", "min", "peak memory"], rows)
    peak = max(memory.values())
    report.targets.append((f"peak memory of publish, {' and '.join(f'{s} MB' for s in measured)}",
                           f"< {MEMORY_LIMIT_MIB} MiB, the same for each",
                           ", ".join(f"{memory[s]:.1f} MiB" for s in measured),
                           f"{peak / MEMORY_LIMIT_MIB:.2f}x the limit", peak < MEMORY_LIMIT_MIB))
    report.add("", "The gate downloads the whole package again to compare it byte for byte with the file, so "
               "publish moves the package twice where `curl -T` moves it once: against the upload alone it cannot "
               "come near 1.2x; against the same work by hand it can.", "")
