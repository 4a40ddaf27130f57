#!/usr/bin/python3
"""The peer for the profile figures: the same INI edit (read the file, change
one key, write it) done with Python's configparser on the same files.

    peer_configparser.py CORPUS_DIR OUT.json [MAKE_CORPUS]

Each corpus file is edited in a scratch copy, repeated until at least half a
second has passed (at least 3 times, once when one edit takes over a second);
the median time is kept. Two writes are
timed: configparser's own (open for writing, write) and one as durable as
profile_write (a new file, fsync, rename, fsync of the directory). Beside the
times, what an edit keeps of the file is measured on the 1 KB file, for
configparser and, given the make_corpus program, for profile_write."""
import configparser
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SECTION, KEY = "Update", "Version"
VALUES = ("2.7.1828", "3.1.4159")


def parser():
    # No interpolation ("%" in values stays text) and duplicates tolerated, as
    # the Windows profile functions tolerate them.
    return configparser.RawConfigParser(strict=False, interpolation=None)


def edit_plain(path, value):
    config = parser()
    config.read(path, encoding="gbk")
    config.set(SECTION, KEY, value)
    with open(path, "w", encoding="gbk") as out:
        config.write(out)


def edit_durable(path, value):
    config = parser()
    config.read(path, encoding="gbk")
    config.set(SECTION, KEY, value)
    temp = path + ".new"
    with open(temp, "w", encoding="gbk") as out:
        config.write(out)
        out.flush()
        os.fsync(out.fileno())
    os.replace(temp, path)
    directory = os.open(os.path.dirname(path) or ".", os.O_RDONLY)
    try:
        os.fsync(directory)
    finally:
        os.close(directory)


def median_seconds(edit, source, scratch):
    work = os.path.join(scratch, "edit.ini")
    shutil.copyfile(source, work)
    times = []
    started = time.perf_counter()
    while not times or (time.perf_counter() - started < 0.5 or len(times) < 3) and times[0] < 1.0:
        begin = time.perf_counter()
        edit(work, VALUES[len(times) % 2])
        times.append(time.perf_counter() - begin)
    return statistics.median(times), len(times)


def edit_with_profile_write(make_corpus):
    def edit(path, value):
        subprocess.run([make_corpus, "--edit", path, SECTION, KEY, value], check=True)
    return edit


def fidelity(source, scratch, edit):
    """What one edit keeps, measured on a copy of `source`."""
    with open(source, "rb") as f:
        before = f.read()
    work = os.path.join(scratch, "fidelity.ini")
    shutil.copyfile(source, work)
    edit(work, VALUES[0])
    with open(work, "rb") as f:
        after = f.read()
    expected = before.replace(b"Version=3.1.4159", b"Version=" + VALUES[0].encode(), 1)

    def comment_lines(data):
        return sum(1 for line in data.splitlines() if line.lstrip().startswith((b";", b"#")))

    def mixed_case_keys(data):
        return sum(1 for line in data.splitlines() if b"=" in line and not line.startswith((b";", b"["))
                   and line.split(b"=", 1)[0] != line.split(b"=", 1)[0].lower())

    return {
        "bytes_before": len(before),
        "bytes_after": len(after),
        "identical_but_value": after == expected,
        "comment_lines_before": comment_lines(before),
        "comment_lines_after": comment_lines(after),
        "mixed_case_keys_before": mixed_case_keys(before),
        "mixed_case_keys_after": mixed_case_keys(after),
        "crlf_before": before.count(b"\r\n"),
        "crlf_after": after.count(b"\r\n"),
    }


def default_encoding_read(source):
    try:
        parser().read(source, encoding="utf-8")
        return "reads"
    except UnicodeDecodeError as error:
        return "UnicodeDecodeError: " + error.reason


def main():
    corpus, out_file = sys.argv[1], sys.argv[2]
    files = sorted((f for f in os.listdir(corpus) if f.endswith(".ini")), key=lambda f: int(f[:-4]))
    results = {"python": sys.version.split()[0], "sizes": []}
    with tempfile.TemporaryDirectory(prefix="kestrel-peer-") as scratch:
        for name in files:
            source = os.path.join(corpus, name)
            plain, plain_runs = median_seconds(edit_plain, source, scratch)
            durable, durable_runs = median_seconds(edit_durable, source, scratch)
            results["sizes"].append({"target": int(name[:-4]), "bytes": os.path.getsize(source),
                                     "plain_s": plain, "plain_runs": plain_runs,
                                     "durable_s": durable, "durable_runs": durable_runs})
            print(f"configparser {name}: {plain * 1e3:.3f} ms plain, {durable * 1e3:.3f} ms durable")
        smallest = os.path.join(corpus, files[0])
        results["fidelity"] = fidelity(smallest, scratch, edit_plain)
        results["fidelity"]["read_as_utf8"] = default_encoding_read(smallest)
        if len(sys.argv) > 3:
            results["fidelity_profile_write"] = fidelity(smallest, scratch, edit_with_profile_write(sys.argv[3]))
    with open(out_file, "w") as f:
        json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
