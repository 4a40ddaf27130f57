"""Texts of docs/benchmarks.md that are worked out from the figures of the
run: the fidelity table of the configparser peer, and what stands in the way
of each missed target."""


def fidelity_rows(f, ours):
    """Rows of what one edit keeps: configparser's figures `f`, and profile_write's `ours` (or None)."""
    def kept(g):
        return {
            "comments": f"{g['comment_lines_after']} of {g['comment_lines_before']} comment lines left",
            "case": f"{g['mixed_case_keys_after']} of {g['mixed_case_keys_before']} mixed-case key names left",
            "crlf": f"{g['crlf_after']} of {g['crlf_before']} CR LF line ends left",
            "layout": f"{g['bytes_before']} bytes became {g['bytes_after']}; " + (
                "every byte but the value's the same" if g["identical_but_value"] else
                "the whole file rewritten as 'key = value' lines"),
        }
    theirs, mine = kept(f), kept(ours) if ours else None
    rows = [(what, mine[key] if mine else "", theirs[key]) for what, key in (
        ("comments", "comments"), ("letter case of keys", "case"), ("line ends", "crlf"),
        ("byte layout", "layout"))]
    rows.append(("GBK text", "read and written as bytes, no decoding",
                 f"needs encoding='gbk' on read and write; the default (UTF-8) read gives {f['read_as_utf8']}"))
    return rows


def analysis_lines(report):
    files, generate = report.files, report.generate
    lines = ["## What stands in the way", ""]

    replace_small = files["BM_durable_replace_only/1024"][0]
    plain_small = files["BM_replace_without_fsync/1024"][0]
    write_small = files["BM_profile_write/1024"][0]
    update = generate["BM_generate_click_update"][0]
    create = generate["BM_generate_click_create"][0]
    update_cpu = generate["BM_generate_click_update"][2]
    if update >= 0.002 or create >= 0.002:
        lines += [
            f"- **Generation.** A profile_write of a 1 KB file takes {write_small * 1e3:.2f} ms; putting a 1 KB "
            f"file in place durably alone (fsync of the new file, rename, fsync of the directory) takes "
            f"{replace_small * 1e3:.2f} ms, and without the two fsyncs {plain_small * 1e3:.2f} ms: the disk's "
            "flushes, not the edit, are the cost. "
            "An update-mode generation replaces each of its 2 files once (its keys edited in memory), so 4 "
            f"flushes of the disk, about {2 * replace_small * 1e3:.1f} ms at the flush cost just measured "
            "(it varies with the disk's other traffic); the generation measured "
            f"{update * 1e3:.1f} ms wall, of which {update_cpu * 1e3:.2f} ms on the processor (checks, GBK, the "
            "edits, the system calls). A create-mode generation writes 2 files, each fsynced on close: "
            f"{create * 1e3:.1f} ms. Without the flushes the same work would take about "
            f"{2 * (write_small - replace_small + plain_small) * 1e3:.1f} ms here; the limit is the disk's.",
        ]

    write10 = files["BM_profile_write/10485760"][0]
    edit10 = files["BM_edit_in_memory/10485760"][0]
    read10 = files["BM_profile_read/10485760"][0]
    replace10 = files["BM_durable_replace_only/10485760"][0]
    if write10 >= 0.050:
        lines += [
            f"- **profile_write on 10 MB.** {write10 * 1e3:.1f} ms = finding the key and building the new "
            f"content in memory ({edit10 * 1e3:.1f} ms, {edit10 * 1e9 / report.bytes[10485760]:.2f} ns per byte) + putting "
            f"10 MB in place durably ({replace10 * 1e3:.1f} ms) + reading the file; the processor's share is "
            f"{files['BM_profile_write/10485760'][2] * 1e3:.1f} ms, the rest is waiting for the disk. profile_read "
            f"of the same file takes {read10 * 1e3:.1f} ms: {edit10 * 1e3:.1f} ms of search, the rest reading "
            "10 MB into memory.",
        ]
    write1 = files["BM_profile_write/1048576"][0]
    ratio = write10 / write1
    if not 8 <= ratio <= 12:
        fixed = files["BM_durable_replace_only/1024"][0]
        lines += [
            f"- **Linearity.** time(10 MB)/time(1 MB) = {ratio:.2f}: each write has a fixed cost of about "
            f"{fixed * 1e3:.1f} ms (the two fsyncs) that does not grow with the file, so small files cost more "
            "per byte. The in-memory edit alone scales by "
            f"{edit10 / files['BM_edit_in_memory/1048576'][0]:.2f}x.",
        ]

    for platform in report.platforms:
        runs = report.startup(platform)
        ours, floor = runs["kestrel_startup"], runs["empty_window"]
        if ours["mean"] / floor["mean"] > 1.15:
            lines.append(startup_line(report, platform, ours, floor))
        memory = report.memory(platform)
        if memory["kestrel_startup"] / memory["empty_window"] > 1.1:
            lines.append(memory_line(report, platform, memory))
    if len(lines) == 2:
        lines.append("Every target is met.")
    lines.append("")
    return lines


def startup_line(report, platform, ours, floor):
    stages = report.stages(platform)
    k, e = stages["kestrel_startup"], stages["empty_window"]
    made = (k["shown"][1] - k["toolkit_ready"][1]) - (e["shown"][1] - e["toolkit_ready"][1])
    paint = (k["painted"][1] - k["shown"][1]) - (e["painted"][1] - e["shown"][1])
    end = (k["ended"][1] - k["painted"][1]) - (e["ended"][1] - e["painted"][1])
    text = (f"- **Start-up ({platform}).** {ours['mean'] * 1e3:.1f} ms against {floor['mean'] * 1e3:.1f} ms. In "
            f"processor time the form adds {made:.1f} ms to make and show the window (48 controls, the font "
            f"lookup for the Song face, shaping the texts, the prefill) and {paint:.1f} ms to paint it; "
            f"tear-down differs by {end:+.1f} ms (the empty window reads the font configuration only when it "
            "exits, the form at its first text, so both pay for it).")
    glyphs = instructions(report, platform, "kestrel_startup", ":QFontEngineFT::loadGlyph(")
    floor_total = instructions(report, platform, "empty_window", "PROGRAM TOTALS")
    icon = instructions(report, platform, "kestrel_startup", ":QIcon::fromTheme(")
    if glyphs and floor_total:
        ours_total = instructions(report, platform, "kestrel_startup", "PROGRAM TOTALS")
        text += (f" In instructions the start-up is {ours_total / floor_total:.1f}x the empty window's; FreeType "
                 f"loading the glyphs of the Chinese texts in the Song face's stand-in (AR PL UMing) alone takes "
                 f"{glyphs / 1e6:.1f} M instructions, {glyphs / floor_total:.1f}x everything the empty window "
                 "does. The empty window draws no text, so the limit of 1.15x leaves no room for any text at "
                 "all: it cannot be met by a form with 48 labelled controls without leaving out its texts.")
        if icon > 0.1 * ours_total:
            text += (f" Looking up the window's icon in the desktop's icon theme (QIcon::fromTheme in the runtime's "
                     f"window set-up) takes {icon / 1e6:.1f} M instructions here, "
                     f"{100 * icon / ours_total:.0f}% of the start-up; the style's own icon would cost next to "
                     "nothing.")
    return text


def memory_line(report, platform, memory):
    extra = (memory["kestrel_startup"] - memory["empty_window"]) / 1024
    text = (f"- **Peak memory ({platform}).** {memory['kestrel_startup'] / 1024:.1f} MiB against "
            f"{memory['empty_window'] / 1024:.1f} MiB, {extra:+.1f} MiB.")
    font = font_pages(report, platform)
    if font:
        text += (f" {font / 1024:.1f} MiB of it are pages of the font file uming.ttc (the Song face's stand-in, "
                 "21 MB) that FreeType maps and reads: clean pages of the page cache, shared with every other "
                 "program that uses the font, yet counted in the resident set. The rest is the code of the text and widget classes "
                 "used (Qt Gui and Widgets, HarfBuzz, FreeType) and the heap of 48 controls and their glyph "
                 "caches.")
    return text


def instructions(report, platform, program, pattern):
    try:
        with open(report.path(f"callgrind-{platform}-{program}.txt")) as f:
            for line in f:
                if pattern in line:
                    return int(line.split()[0].replace(",", ""))
    except FileNotFoundError:
        pass
    return 0


def font_pages(report, platform):
    with open(report.path(f"maps-{platform}.txt")) as f:
        for line in f:
            parts = line.split(maxsplit=3)
            if parts[0] == "kestrel_startup" and parts[1] == "map" and parts[3].strip().endswith(".ttc"):
                return int(parts[2])
    return 0
