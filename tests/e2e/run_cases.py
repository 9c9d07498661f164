#!/usr/bin/env python3
"""Runs the end-to-end cases in cases.txt against a build of morlith.

    run_cases.py --program build/default/morlith
    run_cases.py --windows --program "/usr/lib/wine/wine64 build/windows-x64/morlith.exe"

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
import shlex
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


def fixture_long_names(root):
    for last in "cdefghij":
        make_file(os.path.join(root, "a" * 254 + last), 1)


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


def fixture_wide(root):
    """Names beyond ASCII: one that Windows' ANSI code page can spell, one it
    cannot."""
    os.mkdir(os.path.join(root, "lat"))
    os.mkdir(os.path.join(root, "cjk"))
    make_file(os.path.join(root, "lat", "caf\u00e9.txt"), 5)
    make_file(os.path.join(root, "cjk", "\u65e5\u672c.txt"), 6)


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
    "special": fixture_special,
    # ext4 stops at the year 2446; tmpfs keeps 64-bit times.
    "future@shm": fixture_future,
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
        self.status = -signal.SIGPIPE if status == "SIGPIPE" else int(status)


def stamp(t, zone):
    return datetime.datetime.fromtimestamp(t, zoneinfo.ZoneInfo(zone)).strftime("%Y%m%d %H%M%S")


def expectation(text, case, windows):
    """The expected bytes as a regular expression: {B} is the banner, {U} the
    usage text, {P} the progress line, {NOW} a timestamp of the time the case
    ran, {ANY} any timestamp, {BORN} the birth time of a fixture file,
    {TEXT} any text within the line and {INT} any unsigned number."""
    out = re.escape(decode(text))
    out = out.replace(re.escape(b"{B}"), re.escape(BANNER))
    out = out.replace(re.escape(b"{U}"), re.escape(USAGE))
    progress = b"Watching File " + (case.operands[0] if case.operands else b"") + b"...\n"
    out = out.replace(re.escape(b"{P}"), re.escape(progress))
    out = out.replace(re.escape(b"{NOW}"), rb"(\d{8} \d{6})")
    out = out.replace(re.escape(b"{ANY}"), rb"\d{8} \d{6}")
    out = out.replace(re.escape(b"{TEXT}"), rb"[^\n]*")
    out = out.replace(re.escape(b"{INT}"), rb"\d+")
    # Wine passes a Linux file's last-write time off as its creation time, and
    # the test cannot set it; only a real Windows volume has the real one.
    born = rb"(?:\d{8} \d{6})?" if windows else rb"(\d{8} \d{6})"
    out = out.replace(re.escape(b"{BORN}"), born)
    if windows:
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


def run_once(program, case, root, env, log_path):
    argv = program + case.operands
    stdout_target, extra = None, {}
    io, _, user = case.io.partition("+")
    if user == "nobody":
        # An unprivileged user, for whom permissions count (root passes them).
        argv = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + argv
    if io == "file" or io.startswith(("concurrent", "churn")):
        stdout_target = open(log_path, "ab")
    elif io == "full":
        stdout_target = open("/dev/full", "wb")
    elif io == "closed":
        extra["preexec_fn"] = lambda: os.close(1)
    elif io == "pipe-closed":
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
            os.close(stdout_target)
        elif stdout_target is not None:
            stdout_target.close()
    return proc.returncode, proc.stderr


def make_fixture(case, roots, shared):
    """The directory of the case's fixture and the time it was made."""
    if case.fixture in shared:
        return shared[case.fixture]
    fixture_name, _, place = case.fixture.partition("@")
    root = tempfile.mkdtemp(prefix=fixture_name + ".", dir=roots[place or "disk"])
    made = int(time.time())
    FIXTURES[case.fixture](root)
    if case.fixture in SHARED_FIXTURES:
        shared[case.fixture] = (root, made)
    return root, made


def run_case(program, case, roots, shared, windows):
    suite_root = roots["disk"]
    root, start = make_fixture(case, roots, shared)
    # Wine reads the names of Linux files in the locale's encoding.
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
           "LC_ALL": "C.UTF-8" if windows else "C",
           "TZ": WINDOWS_ZONES[case.zone] if windows else case.zone}
    for name in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "HOME"):
        if name in os.environ:
            env[name] = os.environ[name]
    log_path = os.path.join(suite_root, f"case{case.number}.out")
    open(log_path, "wb").close()

    runs = 1
    if case.io.startswith("concurrent:"):
        runs = int(case.io.split(":")[1])
        with concurrent.futures.ThreadPoolExecutor(max_workers=runs) as pool:
            results = list(pool.map(lambda _: run_once(program, case, root, env, log_path),
                                    range(runs)))
    elif case.io.startswith("churn:"):
        # Runs one after another while the directory changes under them;
        # each run leaves either nothing or one whole record.
        runs = int(case.io.split(":")[1])
        stop = threading.Event()
        changer = threading.Thread(target=churn, args=(root, stop))
        changer.start()
        try:
            results = [run_once(program, case, root, env, log_path) for _ in range(runs)]
        finally:
            stop.set()
            changer.join()
    else:
        results = [run_once(program, case, root, env, log_path)]
    window = (start - 1, int(time.time()) + 1)
    with open(log_path, "rb") as f:
        stdout = f.read()

    problems = []
    for status, stderr in results:
        if status != case.status:
            problems.append(f"status: want {case.status}, got {status}")
        why = check(expectation(case.stderr, case, windows), stderr, case, window)
        if why:
            problems.append(f"stderr ({why}):\n  want {decode(case.stderr)!r}\n  got  {stderr!r}")
    out_pattern = expectation(case.stdout, case, windows)
    lines = [stdout] if runs == 1 else stdout.splitlines(keepends=True)
    if case.io.startswith("churn:"):
        if len(lines) > runs:
            problems.append(f"stdout: want at most {runs} lines, got {len(lines)}")
    elif len(lines) != runs:
        problems.append(f"stdout: want {runs} lines, got {len(lines)}")
    for line in lines:
        why = check(out_pattern, line, case, window)
        if why:
            problems.append(f"stdout ({why}):\n  want {decode(case.stdout)!r}\n  got  {line!r}")
            break
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
    parser.add_argument("--cases", default=os.path.join(HERE, "cases.txt"))
    parser.add_argument("--only", help="run only the cases whose name matches this expression")
    args = parser.parse_args()

    program = shlex.split(args.program)
    # The cases run in directories of their own.
    program = [os.path.abspath(w) if os.path.exists(w) else w for w in program]
    platform = "windows" if args.windows else "linux"
    passed = failed = skipped = 0
    with tempfile.TemporaryDirectory(prefix="morlith-e2e.") as disk_root, \
            tempfile.TemporaryDirectory(prefix="morlith-e2e.", dir="/dev/shm") as shm_root:
        roots = {"disk": disk_root, "shm": shm_root}
        shared = {}
        for case in read_cases(args.cases):
            if args.only and not re.search(args.only, case.name):
                continue
            if case.platforms not in ("all", platform) or \
                    (case.io.endswith("+nobody") and os.geteuid() != 0):
                skipped += 1
                continue
            problems = run_case(program, case, roots, shared, args.windows)
            if problems:
                failed += 1
                print(f"FAIL {case.name} (cases.txt:{case.number})")
                for p in problems:
                    print("  " + p.replace("\n", "\n  "))
            else:
                passed += 1
    print(f"end-to-end ({platform}): {passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
