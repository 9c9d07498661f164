#!/usr/bin/env python3
"""morlith-metrics through the real engine: Debian's node_exporter with the
textfile collector alone, and Debian's Prometheus server scraping it every
second, both started here on 127.0.0.1 at free ports and stopped here.

A file grows at a known rate while morlith-metrics --output rewrites the
textfile every second, with a second operand whose name holds a double
quote, a backslash, a line feed and a byte that is not UTF-8. The server's
HTTP API must then give the file's size, a growth rate within 10 % of the
true one, and no textfile scrape error at any time.

    scrape_test.py --program build/default/morlith-metrics
"""

import argparse
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

RATE = 100_000          # bytes per second that the watched file grows by
GROWTH_SECONDS = 20     # how long it grows
STEP = 0.05             # seconds between two appends
HOSTILE = b'q"\\\n\xff.log'
HOSTILE_LABEL = 'q"\\\n\ufffd.log'


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(url, timeout=2):
    with urllib.request.urlopen(url, timeout=timeout) as r:
        return r.read()


def wait_for(url, what, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            get(url)
            return
        except OSError:
            time.sleep(0.2)
    sys.exit(f"scrape_test: {what} did not come up at {url} within {seconds} s")


def query(base, promql, at=None):
    params = {"query": promql}
    if at is not None:
        params["time"] = f"{at:.3f}"
    body = json.loads(get(f"{base}/api/v1/query?{urllib.parse.urlencode(params)}"))
    if body.get("status") != "success":
        sys.exit(f"scrape_test: query {promql!r} failed: {body}")
    return body["data"]["result"]


def grow(path, stop):
    """Appends RATE bytes a second to `path`, in steps, until `stop`."""
    chunk = b"x" * int(RATE * STEP)
    next_step = time.monotonic()
    with open(path, "ab", buffering=0) as f:
        while not stop.is_set():
            f.write(chunk)
            next_step += STEP
            time.sleep(max(0.0, next_step - time.monotonic()))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    work = tempfile.mkdtemp(prefix="morlith-scrape.")
    textfiles = os.path.join(work, "textfile")
    data = os.path.join(work, "data")
    os.mkdir(textfiles)
    os.mkdir(data)
    watched = os.path.join(work, "grows.log")
    open(watched, "wb").close()
    with open(os.path.join(work.encode(), HOSTILE), "wb") as f:
        f.write(b"hostile")

    exporter_port, server_port = free_port(), free_port()
    config = os.path.join(work, "prometheus.yml")
    with open(config, "w") as f:
        f.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                "scrape_configs:\n  - job_name: node\n    static_configs:\n"
                f"      - targets: ['127.0.0.1:{exporter_port}']\n")
    logs = open(os.path.join(work, "servers.log"), "wb")
    servers = [
        subprocess.Popen(["prometheus-node-exporter", "--collector.disable-defaults",
                          "--collector.textfile", f"--collector.textfile.directory={textfiles}",
                          f"--web.listen-address=127.0.0.1:{exporter_port}"],
                         stdout=logs, stderr=logs),
        subprocess.Popen(["prometheus", f"--config.file={config}",
                          f"--storage.tsdb.path={data}",
                          f"--web.listen-address=127.0.0.1:{server_port}"],
                         stdout=logs, stderr=logs, cwd=work),
    ]
    base = f"http://127.0.0.1:{server_port}"
    problems = []
    try:
        wait_for(f"http://127.0.0.1:{exporter_port}/metrics", "node_exporter")
        wait_for(f"{base}/-/ready", "the Prometheus server")

        def rewrite():
            proc = subprocess.run([program, "--output", os.path.join(textfiles, "morlith.prom"),
                                   "grows.log", HOSTILE], cwd=work, stderr=subprocess.PIPE)
            if proc.returncode != 0:
                problems.append(f"morlith-metrics ended with {proc.returncode}: {proc.stderr!r}")

        stop = threading.Event()
        grower = threading.Thread(target=grow, args=(watched, stop))
        started = time.time()
        grower.start()
        try:
            while time.time() - started < GROWTH_SECONDS:
                rewrite()
                time.sleep(1)
        finally:
            stop.set()
            grower.join()
        stopped = time.time()
        true_rate = os.path.getsize(watched) / (stopped - started)
        # Once more with the final size, then time for two scrapes.
        rewrite()
        time.sleep(2.5)
        now = time.time()

        size = query(base, 'morlith_file_size_bytes{operand="grows.log"}')
        final = os.path.getsize(watched)
        if len(size) != 1 or int(float(size[0]["value"][1])) != final:
            problems.append(f"morlith_file_size_bytes: want {final}, got {size}")

        rate = query(base, 'deriv(morlith_file_size_bytes{operand="grows.log"}[15s])',
                     at=stopped - 1)
        got_rate = float(rate[0]["value"][1]) if rate else None
        if got_rate is None or abs(got_rate - true_rate) > 0.1 * true_rate:
            problems.append(f"deriv: want {true_rate:.0f} B/s within 10 %, got {got_rate}")

        window = int(now - started) + 1
        errors = query(base, f"max_over_time(node_textfile_scrape_error[{window}s])", at=now)
        scrapes = query(base, f"count_over_time(node_textfile_scrape_error[{window}s])", at=now)
        if not errors or float(errors[0]["value"][1]) != 0:
            problems.append(f"node_textfile_scrape_error was not 0 throughout: {errors}")
        if not scrapes or float(scrapes[0]["value"][1]) < GROWTH_SECONDS // 2:
            problems.append(f"too few scrapes of the textfile: {scrapes}")

        hostile = query(base, 'morlith_file_size_bytes{operand=~"(?s)q.*"}')
        if len(hostile) != 1 or hostile[0]["metric"].get("file") != HOSTILE_LABEL or \
                hostile[0]["value"][1] != "7":
            problems.append(f"the hostile name's series: want file={HOSTILE_LABEL!r} and 7, "
                            f"got {hostile}")
        print(f"scrape_test: true rate {true_rate:.0f} B/s, deriv {got_rate:.0f} B/s; "
              f"size {final}; {scrapes[0]['value'][1] if scrapes else 0} textfile scrapes, "
              "no scrape error")
    finally:
        for server in servers:
            server.terminate()
        for server in servers:
            try:
                server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                server.kill()
        logs.close()
        if problems:
            print(open(os.path.join(work, "servers.log"), errors="replace").read()[-3000:])
        subprocess.run(["rm", "-rf", work])
    for p in problems:
        print("FAIL " + p)
    print(f"prometheus scrape: {0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
