"""The Windows part of docs/benchmarks.md: kestrel.exe from its start to its
form's first paint under Wine, against an empty Win32 window, and the sizes
of the programs (bench/windows-startup's results)."""
import json
import os
import statistics

LIMIT = 1.5


def program_name(command):
    if "kestrel.exe" in command:
        return "kestrel.exe"
    return "empty_window.exe --controls" if "--controls" in command else "empty_window.exe"


def row(label, values, floor):
    return [label, f"{statistics.median(values):.1f} ms", f"{statistics.mean(values):.1f} ms",
            f"{min(values):.1f} ms", f"{max(values):.1f} ms", f"{statistics.median(values) / floor:.2f}x"]


def windows_startup_section(report):
    if not os.path.exists(report.path("windows-startup.json")):
        return
    with open(report.path("windows-startup.json")) as f:
        programs = json.load(f)["programs"]
    ms = {program_name(p["command"]): p["ms"] for p in programs}
    with open(report.path("windows-sizes.txt")) as f:
        sizes = dict(line.split() for line in f)
    with open(report.path("windows-machine.txt")) as f:
        machine = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    ours, floor = statistics.median(ms["kestrel.exe"]), statistics.median(ms["empty_window.exe"])
    report.add("## Start-up of kestrel.exe (Windows, under Wine)", "",
               "`first_paint_timer.exe` starts each program and waits until its first paint is done: until the "
               "new process has shown its window, painted it and waits for input with nothing left in its queue "
               "(WaitForInputIdle; paint messages come before that). It then closes the program's window and "
               "waits for its end. `kestrel.exe` is the program of dist/kestrel-win64.zip, started where the "
               "tool's two files are (the form's open event reads seven values); the floor `empty_window.exe` "
               "shows one empty window with the same frame and client size; with `--controls` it adds 48 "
               "bare child windows of the form's kinds (12 one-line edits and a multi-line one with sunken "
               "borders, 30 statics, 3 group boxes, 2 push buttons) without texts: what Wine alone spends on as "
               "many controls. All are built by the same "
               f"cross compiler ({machine.get('cross_compiler', '?')}), statically linked, and started in turns, "
               f"{len(ms['kestrel.exe'])} times each after one warm-up start, in one Wine process "
               f"({machine.get('wine', '?')}, code page 936) on Xvfb. The time includes what Wine spends "
               "on starting a process, for all.", "")
    bare = statistics.median(ms["empty_window.exe --controls"])
    rows = [row(name, ms[name], floor) for name in ("kestrel.exe", "empty_window.exe", "empty_window.exe --controls")]
    report.table(["program", "first paint, median", "mean", "min", "max", "median / empty window"], rows)
    report.add(f"The 48 bare controls alone take {bare / floor:.2f}x the empty window; kestrel.exe, with its "
               f"texts, fonts, colours, the tab chain and the prefill, {ours / bare:.2f}x the bare controls.", "",
               "The sizes, of the programs stripped of their symbols as in the package:", "")
    report.table(["file", "size"], [(file, f"{int(size) / 1024:.0f} KiB") for file, size in sizes.items()])
    report.windows_figures = (ours, floor, bare)
    report.targets.append(("first paint vs an empty Win32 window (Wine)", f"≤ {LIMIT}x",
                           f"{ours:.1f} ms vs {floor:.1f} ms", f"{ours / floor:.2f}x", ours / floor <= LIMIT))


def add_windows_analysis(lines, report):
    """Adds the Windows start-up's bullet to the lines of "What stands in the way" when its target is not met."""
    figures = getattr(report, "windows_figures", None)
    if not figures or figures[0] / figures[1] <= LIMIT:
        return lines
    ours, floor, bare = figures
    lines = [line for line in lines if line != "Every target is met."]
    return lines[:-1] + [
        f"- **Start-up of kestrel.exe (Wine).** {ours:.1f} ms against {floor:.1f} ms. 48 bare child windows of "
        f"the form's kinds, without any text, already take {bare:.1f} ms ({bare / floor:.2f}x): under Wine each "
        "control costs its creation and its own paint through the window server, the edits most. kestrel.exe "
        f"adds {ours - bare:.1f} ms to them ({ours / bare:.2f}x): the texts in the Song face, the colours, the "
        "prefill from the two files.", ""]
