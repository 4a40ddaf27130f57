#!/usr/bin/python3
"""Turns the results of one bench/run into docs/benchmarks.md, and writes the
data files that bench/profile_cost.gp plots.

    report.py RESULTS_DIR OUT.md"""
import json
import os
import statistics
import sys

from report_text import START_LIMIT, MEMORY_LIMIT, TARGET_PLATFORM, analysis_lines, fidelity_rows
from report_package import inspect_section
from report_publish import publish_section
from report_verify import verify_section
from report_windows import add_windows_analysis, windows_startup_section

SIZE_NAMES = {1024: "1 KB", 10240: "10 KB", 102400: "100 KB", 1048576: "1 MB", 10485760: "10 MB"}
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
# Parts of a start-up, by the function whose inclusive instruction count
# measures each (as callgrind_annotate names it).
INSTRUCTION_PARTS = [
    ("all instructions", "PROGRAM TOTALS"),
    ("loading and relocation before main", "rtld.c:_dl_start "),
    ("QApplication made", ":QApplication::QApplication(int&, char**, int) "),
    ("font configuration read (fontconfig's FcInit)", ":FcInitLoadConfigAndFonts "),
    ("the fonts found and opened (QFontDatabasePrivate::findFont)", ":QFontDatabasePrivate::findFont("),
    ("the window set up: frame, title, icon (window_create)", ":runtime::toolkit::window_create("),
    ("the form made: 48 controls (w_main::create)", ":form::w_main::create() "),
    ("the form's open event: prefill (w_main::open)", ":form::w_main::open() "),
    ("painting (QWidgetRepaintManager::paintAndFlush)", ":QWidgetRepaintManager::paintAndFlush() "),
    ("glyphs loaded by FreeType (QFontEngineFT::loadGlyph)", ":QFontEngineFT::loadGlyph("),
    ("text shaping (HarfBuzz hb_shape_full)", ":hb_shape_full "),
    ("an icon looked up in the desktop's icon theme (QIcon::fromTheme)", ":QIcon::fromTheme("),
    ("tear-down (QApplication destroyed)", ":QApplication::~QApplication() "),
]


def load_json(path):
    with open(path) as f:
        return json.load(f)


def gbench(path):
    """Run name -> (median wall seconds, repetitions, median processor seconds, least wall seconds) of a
    Google Benchmark JSON file."""
    medians, runs = {}, {}
    for run in load_json(path)["benchmarks"]:
        name = run["run_name"].removesuffix("/real_time")
        unit = UNIT[run["time_unit"]]
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = (run["real_time"] * unit, run["cpu_time"] * unit)
        else:
            runs.setdefault(name, []).append((run["real_time"] * unit, run["cpu_time"] * unit))
    by_name = {}
    for name in set(runs) | set(medians):
        times = runs.get(name) or [medians[name]]
        real, cpu = medians.get(name, times[0])
        by_name[name] = (real, len(times), cpu, min(t[0] for t in times))
    return by_name


def key_values(path):
    with open(path) as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def ms(seconds):
    return f"{seconds * 1e3:.3f} ms" if seconds < 1 else f"{seconds:.2f} s"


def verdict(ok):
    if ok is None:
        return "for comparison"
    return "**met**" if ok else "**not met**"


class Report:
    def __init__(self, results):
        self.dir = results
        self.machine = key_values(os.path.join(results, "machine.txt"))
        self.files = gbench(os.path.join(results, "files.json"))
        self.generate = gbench(os.path.join(results, "generate.json"))
        self.peer = load_json(os.path.join(results, "peer.json"))
        self.platforms = [p for p in ("offscreen", "xvfb") if os.path.exists(self.path(f"startup-{p}.json"))]
        self.lines, self.targets = [], []
        # The corpus files' real sizes (a little over the target size).
        self.bytes = {entry["target"]: entry["bytes"] for entry in self.peer["sizes"]}

    def path(self, name):
        return os.path.join(self.dir, name)

    def add(self, *lines):
        self.lines.extend(lines)

    def table(self, header, rows):
        self.add("| " + " | ".join(header) + " |", "|" + "---|" * len(header))
        self.add(*("| " + " | ".join(str(c) for c in row) + " |" for row in rows))
        self.add("")

    def size_series(self, bench):
        return [(size, self.files[f"{bench}/{size}"][0]) for size in SIZE_NAMES]

    def startup(self, platform):
        results = load_json(self.path(f"startup-{platform}.json"))["results"]
        return {r["command"]: r for r in results}

    def memory(self, platform):
        kb = {}
        with open(self.path(f"memory-{platform}.txt")) as f:
            for line in f:
                program, value = line.split()
                kb.setdefault(program, []).append(int(value))
        return {program: statistics.median(values) for program, values in kb.items()}

    def stages(self, platform):
        """program -> stage -> (median wall ms since main, median cpu ms since process start)."""
        noted = {}
        with open(self.path(f"stages-{platform}.txt")) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 5 and parts[1] == "stage":
                    noted.setdefault(parts[0], {}).setdefault(parts[2], []).append((float(parts[3]), float(parts[4])))
        return {program: {stage: (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values))
                          for stage, values in by_stage.items()} for program, by_stage in noted.items()}

    # --- sections -----------------------------------------------------------------
    def machine_section(self):
        m = self.machine
        self.add("## The machine", "")
        self.table(["what", "value"], [
            ("CPU", m["cpu"]), ("cores", m["cores"]), ("memory", m["memory"]), ("OS", m["os"]),
            ("compiler", m["compiler"] + ", CMake build type Release (-O3 -DNDEBUG)"), ("Qt", m["qt"]),
            ("Google Benchmark", m["benchmark_library"]), ("hyperfine", m["hyperfine"]),
            ("Python (peer)", m["python"]), ("temporary files on", m["temp_fs"]),
            ("load average at the start", m["load"]), ("run", m["date"])])

    def profile_section(self):
        self.add("## Profile functions against file size", "",
                 "Realistic INI files (sections of 4 to 12 keys, GBK comments, CR LF), the key read or edited "
                 "in the last section, near the end of the file. Median wall time of the "
                 f"{self.files['BM_profile_read/1024'][1]} repetitions (each repetition runs the call many times "
                 "and averages). `edit in memory` is the edit alone (plan_key_edit) on content "
                 "in memory; `durable replace` is the file work of a write alone (write a new file, fsync, "
                 "rename, fsync the directory) with no reading or editing, and `replace without fsync` the same "
                 "with no fsync.", "")
        benches = [("profile_read", "BM_profile_read"), ("profile_write", "BM_profile_write"),
                   ("edit in memory", "BM_edit_in_memory"), ("durable replace", "BM_durable_replace_only"),
                   ("replace without fsync", "BM_replace_without_fsync")]
        rows = []
        for size, name in SIZE_NAMES.items():
            row = [name]
            for _, bench in benches:
                seconds = self.files[f"{bench}/{size}"][0]
                row.append(f"{ms(seconds)} ({seconds * 1e9 / self.bytes[size]:.2f} ns/B)")
            rows.append(row)
        self.table(["file"] + [title for title, _ in benches], rows)
        self.add("![profile cost against file size](profile_cost.png)", "")
        with open(self.path("profile_cost.dat"), "w") as out:
            out.write("# bytes read_s write_s edit_s replace_s replace_nofsync_s\n")
            for size in SIZE_NAMES:
                out.write(f"{self.bytes[size]} " + " ".join(str(self.files[f'{b}/{size}'][0]) for _, b in benches) + "\n")
        with open(self.path("peer_cost.dat"), "w") as out:
            out.write("# bytes plain_s durable_s\n")
            for entry in self.peer["sizes"]:
                out.write(f"{entry['bytes']} {entry['plain_s']} {entry['durable_s']}\n")

        write10, write1 = self.files["BM_profile_write/10485760"][0], self.files["BM_profile_write/1048576"][0]
        edit10, edit1 = self.files["BM_edit_in_memory/10485760"][0], self.files["BM_edit_in_memory/1048576"][0]
        best10 = self.files["BM_profile_write/10485760"][3]
        self.targets.append(("one profile_write on a 10 MB file", "< 50 ms",
                             f"{ms(write10)} (best repetition {ms(best10)})",
                             f"{write10 / 0.050:.2f}x the limit", write10 < 0.050))
        cpu_ratio = self.files["BM_profile_write/10485760"][2] / self.files["BM_profile_write/1048576"][2]
        self.targets.append(("profile_write cost linear in size: time(10 MB)/time(1 MB)", "≈ 10 (8 to 12)",
                             f"{write10 / write1:.2f} wall; processor time {cpu_ratio:.2f}; edit in memory alone "
                             f"{edit10 / edit1:.2f}", "", 8 <= write10 / write1 <= 12))

    def writers_section(self):
        self.add("## The two writers", "",
                 "Create mode writes the whole file line by line (no file before each call); update mode "
                 "edits the keys of the file the tool wrote in memory (3 writes and 2 reads for "
                 "UpdateConfig.ini, 4 writes for Update.txt) and replaces the file once.", "")
        rows = []
        for writer in ("write_client_config", "write_update_descriptor"):
            create, update = self.files[f"BM_{writer}_create"], self.files[f"BM_{writer}_update"]
            rows.append([f"files::{writer}", ms(create[0]), ms(create[2]), ms(update[0]), ms(update[2])])
        self.table(["writer", "create mode, wall", "processor", "update mode, wall", "processor"], rows)

    def batch_section(self):
        self.add("## Update mode: one replacement per file against one per key", "",
                 "The same keys of the same files, as update mode writes them today (read and edited in "
                 "memory, the file replaced once) and as it wrote them before (one profile_write, so one "
                 "durable replacement of the file, per key: 3 in UpdateConfig.ini, 4 in Update.txt).", "")
        rows = []
        for title, batch, single in (
                ("UpdateConfig.ini", "BM_write_client_config_update", "BM_client_config_key_by_key"),
                ("Update.txt", "BM_write_update_descriptor_update", "BM_update_descriptor_key_by_key")):
            ours, theirs = self.files[batch], self.files[single]
            rows.append([title, ms(ours[0]), ms(ours[2]), ms(theirs[0]), ms(theirs[2]), f"{theirs[0] / ours[0]:.1f}x"])
        self.table(["file", "one replacement, wall", "processor", "key by key, wall", "processor",
                    "key by key / one"], rows)

    def cli_section(self):
        if not os.path.exists(self.path("cli.json")):
            return
        runs = {r["command"]: r for r in load_json(self.path("cli.json"))["results"]}
        ours, floor = runs["kestrel-cli"], runs["two_files_floor"]
        self.add("## kestrel-cli generate as a whole process", "",
                 "`kestrel-cli -C DIR generate --program-version 1.5` on the tool's two files (update mode), "
                 "start to exit, timed with hyperfine against `two_files_floor`: a minimal C++ program that "
                 "puts two files of the same sizes in place with the same flushes (new content beside the "
                 "file, fsync, rename) and does nothing else.", "")
        self.table(["program", "mean", "σ", "min", "user", "system"],
                   [(name, ms(r["mean"]), ms(r["stddev"]), ms(r["min"]), ms(r["user"]), ms(r["system"]))
                    for name, r in (("kestrel-cli", ours), ("two_files_floor", floor))])
        if os.path.exists(self.path("cli-libraries.txt")):
            with open(self.path("cli-libraries.txt")) as f:
                libraries = [line.strip() for line in f if line.strip()]
            self.add(f"What a generate loads at start: {', '.join(libraries)} ({len(libraries)} shared "
                     "libraries, by the loader's trace). The network, hash and archive libraries are "
                     "kestrel-cli-helper's, which only verify, inspect and publish start.", "")
        ratio = ours["mean"] / floor["mean"]
        self.targets.append(("kestrel-cli generate, whole process, vs the two-file floor", "≤ 1.3x",
                             f"{ms(ours['mean'])} against {ms(floor['mean'])}", f"{ratio:.2f}x", ratio <= 1.3))

    def generate_section(self):
        self.add("## One generation on the form", "",
                 "The real form under the offscreen platform, its six required fields filled; a mouse click "
                 "on cb_1 (QTest) runs the checks, writes both files and shows the closing report, which the "
                 "test presenter dismisses. Create mode starts each click with no files; update mode edits the "
                 "files the previous click wrote (normal size: 19 and 5 lines).", "")
        rows = [(title, ms(self.generate[bench][0]), ms(self.generate[bench][2])) for title, bench in (
            ("click, create mode", "BM_generate_click_create"), ("click, update mode", "BM_generate_click_update"),
            ("cb_1_clicked() called directly, update mode", "BM_generate_handler_update"))]
        self.table(["generation", "median wall time", "median processor time"], rows)
        for mode in ("create", "update"):
            seconds, _, _, best = self.generate[f"BM_generate_click_{mode}"]
            self.targets.append((f"one generation, {mode} mode, files of normal size", "< 2 ms",
                                 f"{ms(seconds)} (best repetition {ms(best)})",
                                 f"{seconds / 0.002:.1f}x the limit", seconds < 0.002))

    def peer_section(self):
        self.add("## Peer: the same edit with Python's configparser", "",
                 f"Python {self.peer['python']} (`/usr/bin/python3`), `RawConfigParser(strict=False, "
                 "interpolation=None)`, `read(encoding='gbk')`, `set`, `write`, on the same files as above. "
                 "'plain' writes the file in place as configparser users do; 'durable' writes a new file, "
                 "fsyncs and renames it, as profile_write does. Timed inside the Python process (its start is not "
                 "counted); median of at least 3 edits (1 when an edit takes over a second).", "")
        rows = []
        for entry in self.peer["sizes"]:
            ours = self.files[f"BM_profile_write/{entry['target']}"][0]
            rows.append([SIZE_NAMES[entry["target"]], ms(ours), ms(entry["plain_s"]), ms(entry["durable_s"]),
                         f"{entry['durable_s'] / ours:.2f}x"])
        self.table(["file", "profile_write", "configparser, plain", "configparser, durable",
                    "configparser durable / profile_write"], rows)
        self.add("What one edit keeps of the 1 KB file, measured with each (the same edit, bytes compared):", "")
        self.table(["", "profile_write", "configparser"],
                   fidelity_rows(self.peer["fidelity"], self.peer.get("fidelity_profile_write")))

    def startup_section(self):
        self.add("## Start-up and peak memory", "",
                 "`kestrel_startup` is built from the tool's own code and runs its whole start-up "
                 "(runtime::application_run with app::getVtableInfo_kestrel: the application's create and "
                 "open, the form's create and open with the prefill of seven values from the tool's two files "
                 "in the working directory, the form shown); at the form's first paint it closes the form "
                 "through runtime::window_close, so destroy runs and the process ends. The floor "
                 "`empty_window` shows one empty QWidget of the same client size and quits the same way. "
                 "Same compiler, flags and Qt. Times by hyperfine (no shell, 5 warm-up runs); peak memory is "
                 "the median 'Maximum resident set size' of /usr/bin/time.", "")
        for platform in self.platforms:
            runs = self.startup(platform)
            ours, floor = runs["kestrel_startup"], runs["empty_window"]
            mem = self.memory(platform)
            with open(self.path(f"window-size-{platform}.txt")) as f:
                size = f.read().split()
            label = {"offscreen": "offscreen platform", "xvfb": "X server (Xvfb, xcb platform)"}[platform]
            self.add(f"### {label}, window {size[0]}x{size[1]} pixels", "")
            rows = []
            for name, r in (("kestrel_startup", ours), ("empty_window", floor)):
                rows.append([name, f"{r['mean'] * 1e3:.1f} ± {r['stddev'] * 1e3:.1f} ms",
                             f"{r['median'] * 1e3:.1f} ms", f"{r['min'] * 1e3:.1f} ms",
                             f"{(r['user'] + r['system']) * 1e3:.1f} ms", f"{mem[name] / 1024:.1f} MiB"])
            rows.append(["**ratio**", f"**{ours['mean'] / floor['mean']:.2f}x**",
                         f"{ours['median'] / floor['median']:.2f}x", f"{ours['min'] / floor['min']:.2f}x",
                         f"{(ours['user'] + ours['system']) / (floor['user'] + floor['system']):.2f}x",
                         f"**{mem['kestrel_startup'] / mem['empty_window']:.2f}x**"])
            for name in ("kestrel_startup_exit_at_main", "empty_window_exit_at_main"):
                r = runs[name]
                rows.append([f"{name.removesuffix('_exit_at_main')}, leaving at main",
                             f"{r['mean'] * 1e3:.1f} ± {r['stddev'] * 1e3:.1f} ms", f"{r['median'] * 1e3:.1f} ms",
                             f"{r['min'] * 1e3:.1f} ms", f"{(r['user'] + r['system']) * 1e3:.1f} ms", ""])
            self.table(["program", "wall, mean", "wall, median", "wall, min", "processor (user+sys)",
                        "peak memory"], rows)
            self.add("'Leaving at main' runs the same program up to the start of main and leaves: the cost of "
                     "loading it and its libraries, and of ending the process.", "")
            self.stage_table(platform)
            self.map_table(platform)
            if os.path.exists(self.path(f"callgrind-{platform}-kestrel_startup.txt")):
                self.instruction_table(platform)
            # The limits hold under X11; the offscreen figures stand beside them.
            ratio, mem_ratio = ours["mean"] / floor["mean"], mem["kestrel_startup"] / mem["empty_window"]
            target = platform == TARGET_PLATFORM
            self.targets.append((f"start-up to the first paint vs an empty Qt window ({platform})",
                                 f"≤ {START_LIMIT}x" if target else f"({START_LIMIT}x under X11)",
                                 f"{ours['mean'] * 1e3:.1f} ms vs {floor['mean'] * 1e3:.1f} ms", f"{ratio:.2f}x",
                                 ratio <= START_LIMIT if target else None))
            self.targets.append((f"peak memory vs an empty Qt window ({platform})",
                                 f"≤ {MEMORY_LIMIT}x" if target else f"({MEMORY_LIMIT}x under X11)",
                                 f"{mem['kestrel_startup'] / 1024:.1f} MiB vs {mem['empty_window'] / 1024:.1f} MiB",
                                 f"{mem_ratio:.2f}x", mem_ratio <= MEMORY_LIMIT if target else None))

    def stage_table(self, platform):
        stages = self.stages(platform)
        order = ["main", "toolkit_ready", "shown", "first_paint_event", "painted", "ended"]
        what = {"main": "before main (loading, relocation)", "toolkit_ready": "QApplication made",
                "shown": "window made and shown (the form: 48 controls, fonts, prefill)",
                "first_paint_event": "event loop to the first paint event", "painted": "painting",
                "ended": "closing and tear-down (destroy events, QApplication)"}
        self.add("Where the time goes: median time spent in each stage (wall time from main's start; processor "
                 "time from the process's start, so 'before main' has processor time only).", "")
        rows = []
        for index, stage in enumerate(order):
            row = [what[stage]]
            for program in ("kestrel_startup", "empty_window"):
                wall, cpu = stages[program][stage]
                if index == 0:
                    row += ["", f"{cpu:.1f} ms"]
                else:
                    prev_wall, prev_cpu = stages[program][order[index - 1]]
                    row += [f"{wall - prev_wall:.1f} ms", f"{cpu - prev_cpu:.1f} ms"]
            rows.append(row)
        self.table(["stage", "kestrel wall", "kestrel processor", "empty wall", "empty processor"], rows)

    def map_table(self, platform):
        maps = {}
        with open(self.path(f"maps-{platform}.txt")) as f:
            for line in f:
                program, tag, kib, what = line.split(maxsplit=3)
                if tag == "map":
                    maps.setdefault(program, {})[what.strip()] = int(kib)
        ours, floor = maps["kestrel_startup"], maps["empty_window"]
        names = sorted(set(ours) | set(floor), key=lambda n: ours.get(n, 0) - floor.get(n, 0), reverse=True)
        names = [n for n in names if n != "total"][:8] + ["total"]
        self.add("Where the memory goes: resident memory at the first paint by what it maps, the largest "
                 "differences first (one run each; the 12 largest mappings of each program are listed, "
                 "so a blank is a mapping below that).", "")
        self.table(["mapping", "kestrel_startup", "empty_window", "difference"],
                   [(n.replace("/usr/lib/x86_64-linux-gnu/", ""),
                     f"{ours[n] / 1024:.1f} MiB" if n in ours else "",
                     f"{floor[n] / 1024:.1f} MiB" if n in floor else "",
                     f"{(ours.get(n, 0) - floor.get(n, 0)) / 1024:+.1f} MiB") for n in names])

    def instruction_table(self, platform):
        def inclusive(program):
            counts = {}
            with open(self.path(f"callgrind-{platform}-{program}.txt")) as f:
                for line in f:
                    for label, pattern in INSTRUCTION_PARTS:
                        if label not in counts and pattern in line:
                            counts[label] = int(line.split()[0].replace(",", ""))
            return counts
        ours, floor = inclusive("kestrel_startup"), inclusive("empty_window")
        self.add("Where the processor's work goes, in instructions (callgrind, one run each; inclusive counts, so "
                 "the parts overlap: glyph loading and shaping happen both while the form is made and while it "
                 "is painted).", "")
        total_ours, total_floor = ours.get("all instructions", 1), floor.get("all instructions", 1)
        self.table(["part", "kestrel_startup", "empty_window"],
                   [(label, f"{ours.get(label, 0) / 1e6:.1f} M ({100 * ours.get(label, 0) / total_ours:.0f}%)",
                     f"{floor.get(label, 0) / 1e6:.1f} M ({100 * floor.get(label, 0) / total_floor:.0f}%)")
                    for label, _ in INSTRUCTION_PARTS])

    def write(self, out_file):
        self.machine_section()
        self.profile_section()
        self.writers_section()
        self.batch_section()
        self.generate_section()
        self.cli_section()
        verify_section(self)
        inspect_section(self)
        publish_section(self)
        self.peer_section()
        self.startup_section()
        windows_startup_section(self)
        body, self.lines = self.lines, []
        self.add("# Benchmarks", "",
                 "Written by `bench/run` (one command: installs what is missing, builds with "
                 "-DCMAKE_BUILD_TYPE=Release in build-bench/, runs everything below in one run on one machine). "
                 "Do not edit by hand; run `bench/run` again. Wall times depend on what else the machine and its "
                 "disk are doing at the time (see the load average below); the processor times and instruction "
                 "counts beside them are the steadier figures.", "", "## Targets", "")
        self.table(["target", "limit", "measured", "ratio", "verdict"],
                   [(t[0], t[1], t[2], t[3], verdict(t[4])) for t in self.targets])
        self.add(*add_windows_analysis(analysis_lines(self), self))
        # What each change to the start-up saved: measured once, before and
        # after the change, so written by hand.
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "startup_changes.md")) as f:
            self.add(f.read().rstrip(), "")
        self.lines += body
        with open(out_file, "w") as f:
            f.write("\n".join(self.lines).rstrip() + "\n")


if __name__ == "__main__":
    Report(sys.argv[1]).write(sys.argv[2])
