#!/usr/bin/env python3
"""The benchmark harness every row of bench/ runs under.

A row times one operation of the library beside the tool a user would
otherwise run. Both sides are whole processes given the same input file
and writing the same kind of output file, with one thread unless the row
says otherwise. Each row:

  1. prepares its inputs (not timed);
  2. runs each side once as a warm-up, which also makes the outputs;
  3. compares the outputs (equal bytes, equal pixels, or a stated
     tolerance); a row whose check fails prints no ratio;
  4. runs `rounds` rounds, each timing both sides, the side going first
     alternating from round to round;
  5. prints the median seconds of each side, their ratio (ours / peer),
     the spread (the lowest and highest per-round ratio) and the ratio of
     the median processor seconds (user + system), which a loaded machine
     disturbs less than the wall-clock one.

Rows are plain Row objects (see rows.py); run them with run_rows.
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# One thread on both sides unless a row sets otherwise.
ONE_THREAD = {
    "OMP_NUM_THREADS": "1",
    "GDAL_NUM_THREADS": "1",
    "VIPS_CONCURRENCY": "1",
    "OPENBLAS_NUM_THREADS": "1",
    "MKL_NUM_THREADS": "1",
}


class Row:
    """One benchmark row.

    ours, peer: argument lists (or shell texts when shell=True) run in the
        row's folder; "{build}" and "{dir}" in them are filled in.
    prepare: function(dir, build) making the inputs, run once.
    before: function(dir) run before each timed run of either side
        (removing an output so that both sides write a new file, say);
        before_ours / before_peer for one side only.
    check: function(dir) -> (ok, text) comparing the two outputs.
    env: extra environment for both sides (threads, for instance); a
        value of None removes the variable.
    self_timed: both sides time the same part of their work in process
        (a drawing program's print, not its window set-up) and print its
        seconds as the last line of standard output; those are the
        figures (no processor-seconds ratio is given).
    """

    def __init__(self, operation, peer_name, ours, peer, check, prepare=None,
                 before=None, before_ours=None, before_peer=None, rounds=5,
                 env=None, shell=False, target=None, stdout_ours=None,
                 stdout_peer=None, self_timed=False):
        self.operation = operation
        self.peer_name = peer_name
        self.ours = ours
        self.peer = peer
        self.check = check
        self.prepare = prepare
        self.before = before
        self.before_ours = before_ours
        self.before_peer = before_peer
        self.rounds = rounds
        self.env = env or {}
        self.shell = shell
        self.target = target
        self.stdout_ours = stdout_ours
        self.stdout_peer = stdout_peer
        self.self_timed = self_timed


class Skip(Exception):
    """Raised by a row's prepare when a peer tool is missing."""


def _fill(command, build, folder):
    fill = lambda word: word.replace("{build}", build).replace("{dir}", folder)
    if isinstance(command, str):
        return fill(command)
    return [fill(word) for word in command]


def _run_once(row, command, build, folder, env, before, stdout_name):
    if row.before is not None:
        row.before(folder)
    if before is not None:
        before(folder)
    out = subprocess.DEVNULL
    if stdout_name is not None:
        out = open(os.path.join(folder, stdout_name), "wb")
    elif row.self_timed:
        out = tempfile.TemporaryFile()
    errors = tempfile.TemporaryFile()
    try:
        start = time.perf_counter()
        child = subprocess.Popen(_fill(command, build, folder), cwd=folder, env=env,
                                 stdout=out, stderr=errors, shell=row.shell)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
    finally:
        if stdout_name is not None:
            out.close()
    if child.returncode != 0:
        errors.seek(0)
        raise RuntimeError("%s exited with %d: %s" % (
            command if isinstance(command, str) else " ".join(command),
            child.returncode, errors.read().decode(errors="replace")[-400:]))
    errors.close()
    if row.self_timed and stdout_name is None:
        out.seek(0)
        lines = out.read().decode(errors="replace").split()
        out.close()
        seconds = float(lines[-1])
    # Processor seconds of the process and its children (a shell's tool).
    return seconds, usage.ru_utime + usage.ru_stime


def run_row(row, build, folder_root):
    """Runs one row; returns the table line's fields as a dict."""
    folder = tempfile.mkdtemp(prefix="ovex-bench-", dir=folder_root)
    result = {"operation": row.operation, "peer": row.peer_name, "ratio": None,
              "spread": "", "check": "", "ours": None, "theirs": None, "cpu": None,
              "target": row.target or ""}
    try:
        env = dict(os.environ)
        env.update(ONE_THREAD)
        env.update(row.env)
        for name in [k for k, v in env.items() if v is None]:
            del env[name]
        if row.prepare is not None:
            row.prepare(folder, build)
        ours = lambda: _run_once(row, row.ours, build, folder, env, row.before_ours,
                                 row.stdout_ours)
        theirs = lambda: _run_once(row, row.peer, build, folder, env, row.before_peer,
                                   row.stdout_peer)
        # Warm-up: caches, page cache, and the outputs for the check.
        ours()
        theirs()
        ok, text = row.check(folder)
        result["check"] = ("ok: " if ok else "FAIL: ") + text
        if not ok:
            return result
        mine, peer, ratios, mine_cpu, peer_cpu = [], [], [], [], []
        for k in range(row.rounds):
            if k % 2 == 0:
                a = ours()
                b = theirs()
            else:
                b = theirs()
                a = ours()
            mine.append(a[0])
            peer.append(b[0])
            mine_cpu.append(a[1])
            peer_cpu.append(b[1])
            ratios.append(a[0] / b[0] if b[0] > 0 else float("inf"))
        m, p = statistics.median(mine), statistics.median(peer)
        result["ours"], result["theirs"] = m, p
        result["ratio"] = m / p if p > 0 else float("inf")
        result["spread"] = "%.2f-%.2f" % (min(ratios), max(ratios))
        mc, pc = statistics.median(mine_cpu), statistics.median(peer_cpu)
        # A self-timed row's processor seconds are its whole processes'.
        result["cpu"] = None if row.self_timed else (mc / pc if pc > 0 else float("inf"))
    except Skip as why:
        result["check"] = "skipped: %s" % why
    except Exception as why:  # a failing side is reported, the rest goes on
        result["check"] = "FAIL: %s" % str(why).strip().splitlines()[0][:160]
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return result


HEADER = "%-50s %-24s %8s %8s %6s %11s %5s  %-8s %s" % (
    "operation", "peer", "ours s", "peer s", "ratio", "spread", "cpu", "target", "output check")


def format_result(r):
    if r["ratio"] is None:
        return "%-50s %-24s %8s %8s %6s %11s %5s  %-8s %s" % (
            r["operation"], r["peer"], "-", "-", "-", "-", "-", r["target"], r["check"])
    cpu = "-" if r["cpu"] is None else "%.2f" % r["cpu"]
    return "%-50s %-24s %8.3f %8.3f %6.2f %11s %5s  %-8s %s" % (
        r["operation"], r["peer"], r["ours"], r["theirs"], r["ratio"], r["spread"], cpu,
        r["target"], r["check"])


def run_rows(rows, build, folder_root=None, out=sys.stdout):
    """Runs the rows one after the other and prints the table."""
    folder_root = folder_root or tempfile.gettempdir()
    try:
        load = "%.2f %.2f %.2f" % os.getloadavg()
    except OSError:
        load = "?"
    print("load average at start: %s" % load, file=out)
    print(HEADER, file=out)
    out.flush()
    results = []
    for row in rows:
        r = run_row(row, build, folder_root)
        results.append(r)
        print(format_result(r), file=out)
        out.flush()
    try:
        load = "%.2f %.2f %.2f" % os.getloadavg()
    except OSError:
        load = "?"
    print("load average at end: %s" % load, file=out)
    return results


# ---- checks ---------------------------------------------------------------

def same_bytes(a, b):
    """Check: the two files hold the same bytes."""
    def check(folder):
        x = open(os.path.join(folder, a), "rb").read()
        y = open(os.path.join(folder, b), "rb").read()
        if x == y:
            return True, "equal bytes (%d)" % len(x)
        return False, "%s and %s differ (%d / %d bytes)" % (a, b, len(x), len(y))
    return check


_DMS = re.compile(r'^([-+]?)(\d+)d(?:(\d+)\')?(?:([\d.]+)")?([NSEW]?)$')


def _number(word):
    """A word as a number: plain, or degrees-minutes-seconds (in seconds)."""
    try:
        return float(word)
    except ValueError:
        pass
    m = _DMS.match(word.decode() if isinstance(word, bytes) else word)
    if m is None:
        raise ValueError(word)
    sign = -1 if m.group(1) == "-" or m.group(5) in ("S", "W") else 1
    return sign * (int(m.group(2)) * 3600 + int(m.group(3) or 0) * 60
                   + float(m.group(4) or 0))


def numbers_within(a, b, tolerance):
    """Check: both text files have the same lines and words; words that are
    numbers (degrees-minutes-seconds in seconds) differ by at most
    tolerance, the others are equal."""
    def check(folder):
        x = open(os.path.join(folder, a), "rb").read().split(b"\n")
        y = open(os.path.join(folder, b), "rb").read().split(b"\n")
        if len(x) != len(y):
            return False, "%d lines against %d" % (len(x), len(y))
        worst = 0.0
        for n, (p, q) in enumerate(zip(x, y)):
            if p == q:
                continue
            u, v = p.split(), q.split()
            if len(u) != len(v):
                return False, "line %d: %r against %r" % (n + 1, p[:60], q[:60])
            for s, t in zip(u, v):
                if s == t:
                    continue
                try:
                    d = abs(_number(s) - _number(t))
                    if b"d" in s and b"d" in t:
                        d = min(d, abs(d - 360 * 3600))    # 180d is -180d
                except ValueError:
                    return False, "line %d: %r against %r" % (n + 1, p[:60], q[:60])
                worst = max(worst, d)
                if d > tolerance:
                    return False, "line %d: %r against %r" % (n + 1, p[:60], q[:60])
        return True, "%d lines, numbers within %g (largest %.3g)" % (len(x), tolerance, worst)
    return check


def read_pnm(path):
    """Width, height, channels and sample bytes of a binary PGM/PPM."""
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    channels = {b"P5": 1, b"P6": 3}[fields[0]]
    w, h = int(fields[1]), int(fields[2])
    return w, h, channels, data[pos:pos + w * h * channels]


def _crop(image, border):
    w, h, c, data = image
    if border <= 0:
        return image
    rows = [data[(r * w + border) * c:(r * w + w - border) * c]
            for r in range(border, h - border)]
    return w - 2 * border, h - 2 * border, c, b"".join(rows)


def _swap_outer_bands(image):
    w, h, c, data = image
    if c != 3:
        return image
    swapped = bytearray(data)
    swapped[0::3], swapped[2::3] = data[2::3], data[0::3]
    return w, h, c, bytes(swapped)


def pixels_within(a, b, tolerance=0, convert=None, crop_border=0, swap_bands=False):
    """Check: the two images (PNM, or converted to PNM by convert(folder,
    name) -> pnm name) have the same size and samples differing by at most
    tolerance; crop_border pixels at each edge (where tools extend the
    picture differently) are left out; swap_bands exchanges the first and
    third band of the first image (a file whose bands are stored blue,
    green, red, as our DIB rows are)."""
    def check(folder):
        names = [a, b]
        if convert is not None:
            names = [convert(folder, n) for n in names]
        x = _crop(read_pnm(os.path.join(folder, names[0])), crop_border)
        y = _crop(read_pnm(os.path.join(folder, names[1])), crop_border)
        if swap_bands:
            x = _swap_outer_bands(x)
        if x[:3] != y[:3]:
            return False, "sizes %s against %s" % (x[:3], y[:3])
        note = ", bands 1 and 3 exchanged" if swap_bands else ""
        if x[3] == y[3]:
            return True, "equal pixels (%dx%dx%d%s)" % (x[:3] + (note,))
        if len(x[3]) != len(y[3]):
            return False, "short sample data"
        worst = 0
        differing = 0
        try:
            import numpy
            d = numpy.abs(numpy.frombuffer(x[3], numpy.uint8).astype(numpy.int16)
                          - numpy.frombuffer(y[3], numpy.uint8).astype(numpy.int16))
            worst, differing = int(d.max()), int((d > 0).sum())
        except ImportError:
            for s, t in zip(x[3], y[3]):
                if s != t:
                    differing += 1
                    worst = max(worst, abs(s - t))
        if worst <= tolerance:
            return True, "pixels within %d (%d samples differ)" % (tolerance, differing)
        return False, "samples differ by up to %d (%d samples)" % (worst, differing)
    return check


def tcl_script(folder, name, build, body):
    """Writes a tclsh script that loads the library and runs body."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("set ovexAppScripts {}\nload %s Ovex\n%s\n" % (
            os.path.join(build, "libovex.so"), body))
    return path


def need(*tools):
    for tool in tools:
        if shutil.which(tool) is None:
            raise Skip("%s not installed" % tool)
