#!/usr/bin/env python3
"""Runs the end-to-end cases in cases.txt against a build of morlith, or
those in metrics_cases.txt against a build of morlith-metrics.

    run_cases.py --program build/default/morlith
    run_cases.py --windows --program "/usr/lib/wine/wine64 build/windows-x64/morlith.exe"
    run_cases.py --metrics --program build/default/morlith-metrics

Each case runs the program once (or several times at once) in a fresh
directory holding one of the fixtures below, with real files, real times and
the real time-zone database, and compares its standard output, standard
error and exit status byte for byte with the case's line.
"""

import argparse
import concurrent.futures
import datetime
import os
import re
import resource
import struct
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zoneinfo

HERE = os.path.dirname(os.path.abspath(__file__))

BANNER = (b"Morlith v1.0 - released December 2026 by the morlith developers\n"
          b"This FREE utility and more can be found at https://morlith.example/.\n")
USAGE = (b"\nUsage:  MORLITH <filename>\n\n"
         b"This program reads the file's attributes and dumps (to stdout)\n"
         b"the following fields in a comma-delimited format:\n"
         b"   filename, size, created, updated, accessed, currenttime\n"
         b"The output can be piped to a file for a running analysis of file growth.\n")

# The HELP and TYPE lines of each family of morlith-metrics: {H:NAME}.
HELP = {
    "matched": (b"morlith_file_matched", b"1 when the operand named or matched a directory "
                b"entry, 0 when nothing matched."),
    "size": (b"morlith_file_size_bytes", b"Size of the entry that the operand named or "
             b"matched, in bytes."),
    "created": (b"morlith_file_created_time_seconds", b"Birth time of the entry, in seconds "
                b"since 1970-01-01 UTC; no sample where the file system records none."),
    "updated": (b"morlith_file_updated_time_seconds", b"Last-write time of the entry, in "
                b"seconds since 1970-01-01 UTC."),
    "accessed": (b"morlith_file_accessed_time_seconds", b"Last-access time of the entry, in "
                 b"seconds since 1970-01-01 UTC."),
}

# The program is morlith-metrics (--metrics): its output is an exposition in
# bytes, with line feeds alone on every platform, checked by promtool.
METRICS = False

# The Windows C runtime knows no zone names, only its own TZ form; its
# daylight-saving dates are the US ones, so cases that run there keep clear
# of the weeks in which the zones' rules differ.
WINDOWS_ZONES = {
    "UTC": "UTC0",
    "Europe/Berlin": "CET-1CEST",
    "America/New_York": "EST5EDT",
    "Asia/Kolkata": "IST-5:30",
    "America/Los_Angeles": "PST8PDT",
    "Pacific/Honolulu": "HST10",
}


def utc(text):
    """Seconds since 1970 of a 'YYYY-MM-DD HH:MM:SS' UTC time."""
    moment = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    return int(moment.replace(tzinfo=datetime.timezone.utc).timestamp())


JULY = utc("2026-07-01 12:00:00")
JANUARY = utc("2026-01-15 08:30:00")


def make_file(path, size=0, updated=JULY, accessed=JANUARY, sparse=False):
    """A file of `size` bytes with the given last-write and last-access times."""
    with open(path, "wb") as f:
        if sparse:
            f.truncate(size)
        else:
            f.write(b"x" * size)
    os.utime(path, ns=(accessed * 10**9, updated * 10**9))


def fixture_none(root):
    pass


def fixture_basic(root):
    make_file(os.path.join(root, "app.log"), 1234)
    make_file(os.path.join(root, "empty.txt"), 0, updated=JANUARY)
    make_file(os.path.join(root, "a,b.log"), 3)
    make_file(os.path.join(root, "[x].log"), 4)
    make_file(os.path.join(root, "x.log"), 5)
    make_file(os.path.join(root, "x"), 1)
    # Both 02:30 in Berlin: once in summer time, once after the clocks went back.
    make_file(os.path.join(root, "dst.log"), 6,
              updated=utc("2026-10-25 00:30:00"), accessed=utc("2026-10-25 01:30:00"))
    # Both 01:30 in New York, before and after the clocks went back.
    make_file(os.path.join(root, "fall-back.log"), 8,
              updated=utc("2026-11-01 05:30:00"), accessed=utc("2026-11-01 06:30:00"))
    make_file(os.path.join(root, "old.log"), 7,
              updated=utc("1969-12-31 23:59:59"), accessed=utc("1950-06-01 00:00:00"))
    os.mkdir(os.path.join(root, "logs"))
    for name, size in [("app.log.2", 20), ("app.log.10", 100), ("app.log.1", 10),
                       ("App.log.0", 1), (".app.log.9", 9), ("app.LOG.5", 5)]:
        make_file(os.path.join(root, "logs", name), size)
    os.utime(os.path.join(root, "logs"), (JANUARY, JULY))


def fixture_big(root):
    make_file(os.path.join(root, "4g.bin"), 2**32, sparse=True)
    make_file(os.path.join(root, "5g.bin"), 5 * 2**30 + 1, sparse=True)
    make_file(os.path.join(root, "4g-1.bin"), 2**32 - 1, sparse=True)


def fixture_names(root):
    make_file(os.path.join(root, 'say "hi".txt'), 2)
    make_file(os.path.join(root, "line\nfeed.txt"), 3)
    make_file(os.path.join(root, "\"lead.txt"), 4)
    make_file(os.path.join(root.encode(), b"caf\xc3\xa9.txt"), 5)
    make_file(os.path.join(root.encode(), b"bad\xff.txt"), 6)
    make_file(os.path.join(root.encode(), b"ctl\x01\x1b.txt"), 7)
    make_file(os.path.join(root, "back\\slash.txt"), 8)


def fixture_long_names(root):
    for last in "cdefghij":
        make_file(os.path.join(root, "a" * 254 + last), 1)
    # The longest names there are, 255 bytes, and one byte shorter.
    make_file(os.path.join(root, "m" * 255), 2)
    make_file(os.path.join(root, "n" * 254), 3)


def fixture_huge(root):
    """200,000 entries in one directory, made as cheaply as the system allows."""
    os.mkdir(os.path.join(root, "huge"))
    fd = os.open(os.path.join(root, "huge"), os.O_RDONLY | os.O_DIRECTORY)
    try:
        for i in range(200000):
            os.close(os.open(f"e-{i:06d}.log", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd))
        os.utime("e-000009.log", ns=(JANUARY * 10**9, JULY * 10**9), dir_fd=fd)
        os.utime("e-123456.log", ns=(JANUARY * 10**9, JULY * 10**9), dir_fd=fd)
    finally:
        os.close(fd)


def fixture_locked(root):
    """Directories that an unprivileged user may search but not list, or
    neither; the case root itself is open to that user."""
    os.chmod(root, 0o755)
    for name, mode in [("listless", 0o111), ("sealed", 0o000)]:
        os.mkdir(os.path.join(root, name))
        make_file(os.path.join(root, name, "app.log"), 12)
        os.chmod(os.path.join(root, name), mode)


def fixture_churn(root):
    for i in range(64):
        make_file(os.path.join(root, f"churn-{i:03d}.log"), 0)


def churn(root, stop):
    """Removes and makes again the churn files until `stop` is set, so that
    an entry may vanish between the directory scan and its lookup."""
    i = 0
    while not stop.is_set():
        path = os.path.join(root, f"churn-{i % 64:03d}.log")
        try:
            os.unlink(path)
        except FileNotFoundError:
            pass
        open(path, "wb").close()
        i += 1


def read_whole(path, reader, stop):
    """Reads `path` in a loop until `stop` is set; the first read that is
    not a whole text as reader["pattern"] gives it goes to reader["torn"]."""
    while not stop.is_set():
        try:
            with open(path, "rb") as f:
                text = f.read()
        except FileNotFoundError:
            continue
        reader["reads"] += 1
        if reader["torn"] is None and reader["pattern"].fullmatch(text) is None:
            reader["torn"] = text


def promtool_check(text):
    """None when promtool takes `text` as a valid exposition, else what it
    said."""
    proc = subprocess.run(["promtool", "check", "metrics"], input=text,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return None if proc.returncode == 0 else proc.stdout.decode(errors="replace").strip()


def fixture_wide(root):
    """Names beyond ASCII: one that Windows' ANSI code page can spell, one it
    cannot."""
    os.mkdir(os.path.join(root, "lat"))
    os.mkdir(os.path.join(root, "cjk"))
    make_file(os.path.join(root, "lat", "caf\u00e9.txt"), 5)
    make_file(os.path.join(root, "cjk", "\u65e5\u672c.txt"), 6)


def fixture_deep(root):
    """A file at the end of a path of 337 characters, longer than the 260 of
    a classic Windows path."""
    path = os.path.join(root, *(["d" * 10] * 30))
    os.makedirs(path)
    make_file(os.path.join(path, "app.log"), 9)


def fixture_links(root):
    make_file(os.path.join(root, "target.log"), 42)
    os.symlink("target.log", os.path.join(root, "link.log"))
    os.symlink("missing.log", os.path.join(root, "dangling.log"))
    os.symlink("loop.log", os.path.join(root, "loop.log"))


def fixture_special(root):
    os.mkfifo(os.path.join(root, "fifo"))
    os.utime(os.path.join(root, "fifo"), (JANUARY, JULY))
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.bind(os.path.join(root, "sock"))
    sock.close()
    os.utime(os.path.join(root, "sock"), (JANUARY, JULY))


def fixture_future(root):
    make_file(os.path.join(root, "y3000.log"), 1, updated=utc("3000-12-31 23:59:59"),
              accessed=utc("2999-06-01 00:00:00"))
    make_file(os.path.join(root, "y3001.log"), 1, updated=utc("3001-01-01 00:00:00"),
              accessed=utc("3001-01-01 07:59:59"))
    # The last instant with a calendar form, and the one after it.
    make_file(os.path.join(root, "limit.log"), 1, updated=32535244799, accessed=32535244800)


def fixture_zero_birth(root):
    """On an ext4 file system: a file whose inode holds a birth time of zero,
    as the inodes of images made from a directory tree do, beside one made
    the usual way. The driver sets the zero once the fixture is made."""
    make_file(os.path.join(root, "zero.log"), 3)
    make_file(os.path.join(root, "born.log"), 4)


# Files of ext4 fixtures whose birth time is set to zero, seconds and
# nanoseconds, on the unmounted file system.
ZERO_BIRTH = {"zero_birth@ext4": ["zero.log"]}

# Fixtures that no case changes and that take long to make: made once per
# suite run and shared.
SHARED_FIXTURES = {"huge"}

FIXTURES = {
    "none": fixture_none,
    "basic": fixture_basic,
    "big": fixture_big,
    "names": fixture_names,
    "long_names": fixture_long_names,
    "huge": fixture_huge,
    "locked": fixture_locked,
    "churn": fixture_churn,
    "wide": fixture_wide,
    "links": fixture_links,
    "deep": fixture_deep,
    "special": fixture_special,
    # ext4 stops at the year 2446; tmpfs keeps 64-bit times.
    "future@shm": fixture_future,
    # A real ext4 file system in an image, loop-mounted (root only).
    "zero_birth@ext4": fixture_zero_birth,
}


def decode(field):
    """A table field with \\n, \\", \\xNN and \\\\ escapes as bytes."""
    return field.encode("latin-1").decode("unicode_escape").encode("latin-1")


def expand_operand(word):
    """{rep:N:TEXT} repeats TEXT N times; {x:NN} is the byte NN."""
    word = re.sub(r"\{rep:(\d+):([^}]*)\}", lambda m: m.group(2) * int(m.group(1)), word)
    raw = word.encode("utf-8", "surrogateescape")
    return re.sub(rb"\{x:([0-9a-fA-F]{2})\}", lambda m: bytes([int(m.group(1), 16)]), raw)


class Case:
    def __init__(self, line, number):
        fields = [f.strip() for f in line.split(" | ")]
        if len(fields) != 9:
            sys.exit(f"cases.txt:{number}: want 9 fields, got {len(fields)}")
        (self.name, self.platforms, self.zone, self.fixture, self.io, operands,
         status, self.stdout, self.stderr) = fields
        self.number = number
        self.operands = [expand_operand(w) for w in shlex.split(operands)]
        # "0/2": each of several runs may end either way (a disk that fills
        # while they run).
        self.statuses = {-signal.SIGPIPE} if status == "SIGPIPE" else \
            {int(s) for s in status.split("/")}
        # io: KIND[@PLACE][+MODIFIER...]; see cases.txt.
        io, *mods = self.io.split("+")
        self.kind, _, place = io.partition("@")
        self.has_log_place = bool(place)
        self.log_place = place.split(":") if place else ["disk", "0"]
        self.prefill = int(self.log_place[-1])
        self.mods = dict(m.partition(":")[::2] for m in mods)

    @property
    def writes_output(self):
        """output (the program writes the log with --output itself) or
        rewrite:N (it does so N times while another thread reads it)."""
        return self.kind == "output" or self.kind.startswith("rewrite:")

    def needs_root(self):
        return "nobody" in self.mods or self.log_place[0] == "tmpfs" or \
            self.fixture.endswith("@ext4")


def stamp(t, zone):
    return datetime.datetime.fromtimestamp(t, zoneinfo.ZoneInfo(zone)).strftime("%Y%m%d %H%M%S")


def expectation(text, case, windows, status=None, text_stream=True):
    """The expected bytes as a regular expression: {B} is the banner, {U} the
    usage text, {P} the progress line, {NOW} a timestamp of the time the case
    ran, {ANY} any timestamp, {OPT} any timestamp or none, {BORN} the birth
    time of a fixture file, {TEXT} any text within the line, {ALL} any text
    at all, {INT} any
    unsigned number, {H:FAMILY} the HELP and TYPE lines of a family of
    morlith-metrics, {IF2:TEXT} the text when the run ended with status 2,
    nothing otherwise, and {rep:N:TEXT} the text N times."""
    text = re.sub(r"\{IF2:([^}]*)\}", lambda m: m.group(1) if status == 2 else "", text)
    text = re.sub(r"\{rep:(\d+):([^}]*)\}", lambda m: m.group(2) * int(m.group(1)), text)
    out = re.escape(decode(text))
    out = out.replace(re.escape(b"{B}"), re.escape(BANNER))
    out = out.replace(re.escape(b"{U}"), re.escape(USAGE))
    progress = b"Watching File " + (case.operands[0] if case.operands else b"") + b"...\n"
    out = out.replace(re.escape(b"{P}"), re.escape(progress))
    out = out.replace(re.escape(b"{NOW}"), rb"(\d{8} \d{6})")
    out = out.replace(re.escape(b"{ANY}"), rb"\d{8} \d{6}")
    out = out.replace(re.escape(b"{OPT}"), rb"(?:\d{8} \d{6})?")
    out = out.replace(re.escape(b"{TEXT}"), rb"[^\n]*")
    out = out.replace(re.escape(b"{ALL}"), rb".*")
    out = out.replace(re.escape(b"{INT}"), rb"\d+")
    for key, (name, help_text) in HELP.items():
        lines = b"# HELP " + name + b" " + help_text + b"\n# TYPE " + name + b" gauge\n"
        out = out.replace(re.escape(b"{H:" + key.encode() + b"}"), re.escape(lines))
    # Wine passes a Linux file's last-write time off as its creation time, and
    # the test cannot set it; only a real Windows volume has the real one.
    born = rb"(?:\d{8} \d{6})?" if windows else rb"(\d{8} \d{6})"
    out = out.replace(re.escape(b"{BORN}"), born)
    if windows and text_stream:
        out = out.replace(re.escape(b"\n"), re.escape(b"\r\n"))
    return re.compile(out, re.DOTALL)


def check(pattern, got, case, window):
    """None when `got` matches, else why not."""
    m = pattern.fullmatch(got)
    if m is None:
        return "no match"
    low, high = stamp(window[0], case.zone), stamp(window[1], case.zone)
    for now in m.groups():
        if not low.encode() <= now <= high.encode():
            return f"time {now.decode()} outside the run ({low} to {high})"
    return None


# The longest a single run may take, under sanitizers and Wine alike.
RUN_SECONDS = 10


def limits(mods):
    """The resource limits that the case's modifiers set in the child:
    fsize:BYTES (the largest file it may write) and nofile:N (open files)."""
    def apply():
        if "fsize" in mods:
            size = int(mods["fsize"])
            resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
        if "nofile" in mods:
            n = int(mods["nofile"])
            resource.setrlimit(resource.RLIMIT_NOFILE, (n, n))
    return apply


def needs_no_loader(path):
    """True when `path` is an ELF program without an interpreter, so that it
    starts without opening a shared library: only such a program can run
    with the file limits of the nofile cases at all."""
    with open(path, "rb") as f:
        head = f.read(64)
        if head[:4] != b"\x7fELF" or head[4] != 2:
            return False
        phoff, = struct.unpack_from("<Q", head, 32)
        phentsize, phnum = struct.unpack_from("<HH", head, 54)
        f.seek(phoff)
        table = f.read(phentsize * phnum)
    PT_INTERP = 3
    return all(struct.unpack_from("<I", table, i * phentsize)[0] != PT_INTERP
               for i in range(phnum))


def windows_path(path):
    """A Linux path as Wine's drive Z: names it."""
    return "Z:" + path.replace("/", "\\")


# Wine 8's 64-bit loader now and then fails an assertion of the Linux dynamic
# loader while the process ends (status 127), whatever the program did; such
# a run is made once more, and said so.
WINE_EXIT_FAULT = b"Inconsistency detected by ld.so: dl-fini.c"


def run_once(program, case, root, env, log_path, windows):
    result = run_one(program, case, root, env, log_path, windows)
    if windows and result[0] == 127 and WINE_EXIT_FAULT in result[1]:
        print(f"NOTE {case.name}: Wine failed in its loader at exit; run once more")
        result = run_one(program, case, root, env, log_path, windows)
    return result


def run_one(program, case, root, env, log_path, windows):
    argv = program + case.operands
    stdout_target, extra = None, {}
    if "nobody" in case.mods:
        # An unprivileged user, for whom permissions count (root passes them).
        argv = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + argv
    if "fsize" in case.mods or "nofile" in case.mods:
        extra["preexec_fn"] = limits(case.mods)
    if case.writes_output:
        # morlith-metrics writes the file that stands for the log itself.
        target = windows_path(log_path) if windows else log_path
        argv = program + ["--output", target] + case.operands
        stdout_target = subprocess.DEVNULL
    elif windows and case.has_log_place:
        # A log with a place of its own is appended to by cmd.exe's ">>", as
        # a scheduled job on Windows appends to it: through a handle of
        # Windows' own, which can be locked and cut back (a handle that Wine
        # makes of a Linux descriptor can be neither).
        line = " ".join([windows_path(program[-1])] + [o.decode() for o in case.operands])
        argv = program[:-1] + ["cmd", "/c", f"{line} >> {windows_path(log_path)}"]
    elif case.kind == "file" or case.kind.startswith(("concurrent:", "churn:")):
        stdout_target = open(log_path, "ab")
    elif case.kind == "full":
        stdout_target = open("/dev/full", "wb")
    elif case.kind == "closed":
        extra["preexec_fn"] = lambda: os.close(1)
    elif case.kind == "pipe-closed":
        read_end, write_end = os.pipe()
        os.close(read_end)
        stdout_target = write_end
    else:
        sys.exit(f"cases.txt:{case.number}: unknown io {case.io}")
    try:
        # Every case, hostile patterns and huge directories included, must
        # finish at once; a run that hangs fails its case.
        proc = subprocess.run(argv, cwd=root, env=env, stdout=stdout_target,
                              stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                              timeout=RUN_SECONDS, **extra)
    except subprocess.TimeoutExpired as e:
        return f"no end within {RUN_SECONDS} s", e.stderr or b""
    finally:
        if isinstance(stdout_target, int):
            if stdout_target >= 0:
                os.close(stdout_target)
        elif stdout_target is not None:
            stdout_target.close()
    return proc.returncode, proc.stderr


def mount(kind, target, size=None, image=None):
    options = ["-o", f"size={size}"] if kind == "tmpfs" else ["-o", "loop"]
    source = image if image else "tmpfs"
    subprocess.run(["mount", "-t", kind] + options + [source, target], check=True)


def unmount(target):
    subprocess.run(["umount", target], check=True)


def make_ext4(case, parent, fill):
    """A fresh ext4 file system in an image file, loop-mounted at a new
    directory, filled by `fill`; the files that ZERO_BIRTH names get a birth
    time of zero through debugfs while it is unmounted."""
    work = tempfile.mkdtemp(prefix="ext4.", dir=parent)
    image, root = os.path.join(work, "image"), os.path.join(work, "root")
    os.mkdir(root)
    with open(image, "wb") as f:
        f.truncate(8 * 2**20)
    # 256-byte inodes hold a birth time; small file systems get 128 by default.
    subprocess.run(["mkfs.ext4", "-q", "-F", "-I", "256", image], check=True)
    mount("ext4", root, image=image)
    try:
        fill(root)
    finally:
        unmount(root)
    for name in ZERO_BIRTH.get(case.fixture, []):
        for field in ("crtime", "crtime_extra"):
            subprocess.run(["debugfs", "-w", "-R", f"set_inode_field {name} {field} 0", image],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mount("ext4", root, image=image)
    return root


def make_fixture(case, roots, shared, mounts):
    """The directory of the case's fixture and the time it was made."""
    if case.fixture in shared:
        return shared[case.fixture]
    fixture_name, _, place = case.fixture.partition("@")
    made = int(time.time())
    if place == "ext4":
        root = make_ext4(case, roots["disk"], FIXTURES[case.fixture])
        mounts.append(root)
        return root, made
    root = tempfile.mkdtemp(prefix=fixture_name + ".", dir=roots[place or "disk"])
    FIXTURES[case.fixture](root)
    if case.fixture in SHARED_FIXTURES:
        shared[case.fixture] = (root, made)
    return root, made


def prefill(size, windows):
    """`size` bytes of whole records, as a log holds them before a case's
    runs append to it; the last record's name is padded to make it exact."""
    end = b"\r\n" if windows else b"\n"
    rest = b',1,"20260101 000000","20260101 000000","20260101 000000","20260101 000000"' + end
    line = b'"seed.log"' + rest
    if size == 0:
        return b""
    count, extra = divmod(size, len(line))
    if count == 0:
        sys.exit(f"a prefill of {size} bytes is shorter than one record")
    last = b'"seed' + b"x" * extra + b'.log"' + rest
    return line * (count - 1) + last


def make_log(case, suite_root, mounts, windows):
    """The log that standard output appends to: on the suite's disk, or on a
    tmpfs of its own with the size the case gives, holding the prefill."""
    where = suite_root
    if case.log_place[0] == "tmpfs":
        where = tempfile.mkdtemp(prefix="log.", dir=suite_root)
        mount("tmpfs", where, size=case.log_place[1])
        mounts.append(where)
    # morlith-metrics's output lives in a directory of its own, so that a
    # temporary file left beside it would show.
    if case.writes_output and where == suite_root:
        where = tempfile.mkdtemp(prefix="out.", dir=suite_root)
    log_path = os.path.join(where, "out.prom" if case.writes_output else
                            f"case{case.number}.out")
    seed = prefill(case.prefill, windows)
    if seed or not case.writes_output:
        with open(log_path, "wb") as f:
            f.write(seed)
    return log_path, seed


def run_case(program, case, roots, shared, windows):
    suite_root = roots["disk"]
    mounts = []
    try:
        root, start = make_fixture(case, roots, shared, mounts)
        log_path, seed = make_log(case, suite_root, mounts, windows)
        return run_in(program, case, root, start, log_path, seed, windows)
    finally:
        for target in reversed(mounts):
            unmount(target)


def run_in(program, case, root, start, log_path, seed, windows):
    # Wine reads the names of Linux files in the locale's encoding.
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
           "LC_ALL": "C.UTF-8" if windows else "C",
           "TZ": WINDOWS_ZONES[case.zone] if windows else case.zone}
    for name in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "HOME"):
        if name in os.environ:
            env[name] = os.environ[name]

    runs = 1
    reader = None
    if case.kind.startswith("concurrent:"):
        runs = int(case.kind.split(":")[1])
        with concurrent.futures.ThreadPoolExecutor(max_workers=runs) as pool:
            results = list(pool.map(
                lambda _: run_once(program, case, root, env, log_path, windows), range(runs)))
    elif case.kind.startswith(("churn:", "rewrite:")):
        # churn: runs one after another while the directory changes under
        # them; each run leaves either nothing or one whole record.
        # rewrite: runs one after another, each rewriting the output, while
        # it is read in a loop; every read must see a whole text.
        runs = int(case.kind.split(":")[1])
        stop = threading.Event()
        if case.kind.startswith("churn:"):
            changer = threading.Thread(target=churn, args=(root, stop))
        else:
            reader = {"reads": 0, "torn": None,
                      "pattern": expectation(case.stdout, case, windows, text_stream=False)}
            changer = threading.Thread(target=read_whole, args=(log_path, reader, stop))
        changer.start()
        try:
            results = [run_once(program, case, root, env, log_path, windows)
                       for _ in range(runs)]
        finally:
            stop.set()
            changer.join()
    else:
        results = [run_once(program, case, root, env, log_path, windows)]
    window = (start - 1, int(time.time()) + 1)
    with open(log_path, "rb") as f:
        log = f.read()

    problems = []
    if case.writes_output:
        # The output is replaced whole: by a new text when the run succeeded,
        # not at all when it did not; no temporary file stays behind.
        if results[-1][0] != 0 and log != seed:
            problems.append("the output changed although the run failed")
        left = sorted(set(os.listdir(os.path.dirname(log_path))) - {"out.prom"})
        if left:
            problems.append(f"files left beside the output: {left}")
        stdout = log if results[-1][0] == 0 else b""
    else:
        # What the log held before stays as it was; the runs only append.
        if not log.startswith(seed):
            problems.append(f"the log's first {len(seed)} bytes changed")
        stdout = log[len(seed):]
    if reader is not None:
        if reader["torn"] is not None:
            problems.append(f"a read of the output saw a part: {reader['torn']!r}")
        if reader["reads"] < runs:
            problems.append(f"the output was read only {reader['reads']} times")
    for status, stderr in results:
        if status not in case.statuses:
            problems.append(f"status: want {'/'.join(map(str, sorted(case.statuses)))}, "
                            f"got {status}")
        why = check(expectation(case.stderr, case, windows, status), stderr, case, window)
        if why:
            problems.append(f"stderr ({why}):\n  want {decode(case.stderr)!r}\n  got  {stderr!r}")
    out_pattern = expectation(case.stdout, case, windows, text_stream=not METRICS)
    lines = [stdout] if runs == 1 or case.writes_output else stdout.splitlines(keepends=True)
    if case.kind.startswith("churn:"):
        if len(lines) > runs:
            problems.append(f"stdout: want at most {runs} lines, got {len(lines)}")
    elif len(case.statuses) > 1:
        # Every run that succeeded left one line, every other run nothing.
        succeeded = sum(1 for status, _ in results if status == 0)
        if len(lines) != succeeded:
            problems.append(f"stdout: want {succeeded} lines (one per run with status 0), "
                            f"got {len(lines)}")
    elif len(lines) != runs and not case.writes_output:
        problems.append(f"stdout: want {runs} lines, got {len(lines)}")
    for line in lines:
        why = check(out_pattern, line, case, window)
        if why:
            problems.append(f"stdout ({why}):\n  want {decode(case.stdout)!r}\n  got  {line!r}")
            break
    if METRICS and stdout.startswith(b"# HELP"):
        why = promtool_check(stdout)
        if why:
            problems.append(f"promtool check metrics: {why}")
    return sorted(set(problems), key=problems.index)


def read_cases(path):
    cases = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.strip() and not line.lstrip().startswith("#"):
                cases.append(Case(line, number))
    return cases


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True,
                        help="the command that starts the program, split like a shell would")
    parser.add_argument("--windows", action="store_true",
                        help="the program is the Windows build: CR LF lines, Windows TZ forms")
    parser.add_argument("--metrics", action="store_true",
                        help="the program is morlith-metrics: the cases of metrics_cases.txt, "
                             "each output checked with promtool")
    parser.add_argument("--cases")
    parser.add_argument("--only", help="run only the cases whose name matches this expression")
    args = parser.parse_args()
    global METRICS
    METRICS = args.metrics
    cases_file = args.cases or os.path.join(HERE, "metrics_cases.txt" if METRICS else "cases.txt")
    if METRICS and shutil.which("promtool") is None:
        sys.exit("run_cases.py: --metrics needs promtool (Debian's prometheus package)")

    program = shlex.split(args.program)
    # The cases run in directories of their own.
    program = [os.path.abspath(w) if os.path.exists(w) else w for w in program]
    platform = "windows" if args.windows else "linux"
    passed = failed = skipped = 0
    with tempfile.TemporaryDirectory(prefix="morlith-e2e.") as disk_root, \
            tempfile.TemporaryDirectory(prefix="morlith-e2e.", dir="/dev/shm") as shm_root:
        roots = {"disk": disk_root, "shm": shm_root}
        shared = {}
        for case in read_cases(cases_file):
            if args.only and not re.search(args.only, case.name):
                continue
            if case.platforms not in ("all", platform):
                skipped += 1
                continue
            if "nofile" in case.mods and not needs_no_loader(program[-1]):
                print(f"SKIP {case.name} ({os.path.basename(cases_file)}:{case.number}): the program needs the "
                      "dynamic loader, which cannot start with so few files")
                skipped += 1
                continue
            if case.needs_root() and os.geteuid() != 0:
                print(f"SKIP {case.name} ({os.path.basename(cases_file)}:{case.number}): needs root to mount or "
                      "to change user")
                skipped += 1
                continue
            problems = run_case(program, case, roots, shared, args.windows)
            if problems:
                failed += 1
                print(f"FAIL {case.name} ({os.path.basename(cases_file)}:{case.number})")
                for p in problems:
                    print("  " + p.replace("\n", "\n  "))
            else:
                passed += 1
    what = "metrics " if METRICS else ""
    print(f"end-to-end {what}({platform}): {passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
