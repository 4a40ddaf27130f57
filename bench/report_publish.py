"""The part of docs/benchmarks.md on kestrel-cli publish: a large package put
live over FTP on 127.0.0.1 against curl -T of the same file, and against the
same work done by hand (curl -T, curl fetching it back, sha256sum), with
publish's peak memory by package size (bench/publish-ftp's results)."""
from report_runs import load_average, memory_target, peak_memory, runs_of, seconds, sizes, timing_row

TIME_LIMIT = 1.2
MEMORY_LIMIT_MIB = 16
OURS, UPLOAD, BY_HAND = "kestrel-cli publish", "curl -T", "curl -T, curl, sha256sum"


def publish_section(report):
    measured = sizes(report, "publish")
    if not measured:
        return
    memory = peak_memory(report, "publish")
    load = load_average(report, "publish")
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
        runs = runs_of(report, "publish", size)
        for name in (OURS, UPLOAD, BY_HAND):
            r = runs[name]
            rows.append(timing_row(size, name, r, memory[size] if name == OURS else None, with_cpu=False))
        if size == max(measured):
            for floor in (UPLOAD, BY_HAND):
                ratio = runs[OURS]["mean"] / runs[floor]["mean"]
                report.targets.append((f"kestrel-cli publish, {size} MB over FTP on 127.0.0.1, vs {floor}",
                                       f"≤ {TIME_LIMIT}x",
                                       f"{seconds(runs[OURS]['mean'])} against {seconds(runs[floor]['mean'])}",
                                       f"{ratio:.2f}x", ratio <= TIME_LIMIT))
    report.table(["package", "program", "mean", "σ", "min", "peak memory"], rows)
    memory_target(report, "publish", memory, measured, MEMORY_LIMIT_MIB)
    report.add("", "The gate downloads the whole package again to compare it byte for byte with the file, so "
               "publish moves the package twice where `curl -T` moves it once: against the upload alone it cannot "
               "come near 1.2x; against the same work by hand it can.", "")
