#!/usr/bin/env python3
"""The exporter at fleet scale: simulated printers (snmpsimd answering on
many loopback addresses, port 161) probed through one netrov-exporter as a
Prometheus server scraping them would, round after round.

Prints, per round, the time to probe every printer, how many answered, and
the exporter's resident memory; at the end whether every round fitted in the
scrape interval and whether memory stayed flat.

  bench/exporter_bench.py PROGRAM_DIR [--printers 1000] [--rounds 10]
                          [--interval 60] [--parallel 64] [--walk mono_laser]

Needs root (port 161), snmpsimd and the built exporter. Sends packets to
127.0.0.0/8 only.
"""
import argparse
import concurrent.futures
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def addresses(count):
    """127.60.X.Y, skipping .0 and .255 so no address looks like a broadcast."""
    out = []
    n = 0
    while len(out) < count:
        x, y = divmod(n, 254)
        out.append(f"127.60.{x}.{y + 1}")
        n += 1
    return out


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def wait_for(url, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            urllib.request.urlopen(url, timeout=2).read()
            return True
        except OSError:
            time.sleep(0.2)
    return False


def probe(base, address, community):
    url = f"{base}/probe?target={address}&community={community}"
    try:
        body = urllib.request.urlopen(url, timeout=30).read().decode()
    except OSError:
        return False
    return any(line.startswith("netrov_up") and line.rstrip().endswith(" 1") for line in body.splitlines())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program_dir")
    parser.add_argument("--printers", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--interval", type=float, default=60.0)
    parser.add_argument("--parallel", type=int, default=64)
    parser.add_argument("--walk", default="mono_laser")
    args = parser.parse_args()

    exporter_path = os.path.join(args.program_dir, "netrov-exporter")
    if os.geteuid() != 0 or not shutil.which("snmpsimd") or not os.access(exporter_path, os.X_OK):
        print("exporter_bench: needs root, snmpsimd and a built netrov-exporter", file=sys.stderr)
        return 77

    work = tempfile.mkdtemp(prefix="exporter-bench-")
    agent = exporter = None
    try:
        data = os.path.join(work, "data")
        cache = os.path.join(work, "cache")
        os.makedirs(data)
        os.makedirs(cache)
        shutil.copy(os.path.join(SOURCE_DIR, "tests", "devices", args.walk + ".snmprec"), data)
        os.chmod(work, 0o755)
        os.chmod(cache, 0o1777)
        targets = addresses(args.printers)
        command = ["snmpsimd", f"--data-dir={data}", f"--cache-dir={cache}",
                   "--process-user=nobody", "--process-group=nogroup"]
        command += [f"--agent-udpv4-endpoint={a}:161" for a in targets]
        agent_log = open(os.path.join(work, "agent.log"), "w")
        agent = subprocess.Popen(command, stdout=agent_log, stderr=subprocess.STDOUT)

        port = free_port()
        config = os.path.join(work, "exporter.yml")
        with open(config, "w") as f:
            f.write(f"listen_address: 127.0.0.1:{port}\ntimeout: 5\nretries: 1\n"
                    f"max_parallel_probes: {args.parallel}\ncommunities:\n  bench: {args.walk}\n")
        exporter = subprocess.Popen([exporter_path, f"--config.file={config}"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        base = f"http://127.0.0.1:{port}"
        if not wait_for(base + "/metrics", 20):
            print("exporter_bench: the exporter did not start", file=sys.stderr)
            return 1
        # The simulator answers its last address once it has bound them all.
        deadline = time.monotonic() + 120
        while not probe(base, targets[-1], "bench"):
            if time.monotonic() > deadline or agent.poll() is not None:
                print("exporter_bench: the simulated printers did not come up", file=sys.stderr)
                return 1
            time.sleep(1)

        print(f"exporter_bench: {args.printers} printers ({args.walk}), {args.parallel} probes at a time, "
              f"interval {args.interval:g} s")
        memory = []
        worst = 0.0
        for round_number in range(1, args.rounds + 1):
            started = time.monotonic()
            with concurrent.futures.ThreadPoolExecutor(max_workers=args.parallel) as pool:
                answered = sum(pool.map(lambda a: probe(base, a, "bench"), targets))
            took = time.monotonic() - started
            worst = max(worst, took)
            memory.append(resident_kib(exporter.pid))
            print(f"round {round_number:2}: {took:6.2f} s  {answered}/{args.printers} up  "
                  f"exporter resident {memory[-1] / 1024:.1f} MiB")
        growth = (memory[-1] - memory[0]) / max(memory[0], 1)
        print(f"slowest round {worst:.2f} s of {args.interval:g} s ({worst / args.interval:.2f} of the interval): "
              f"{'within' if worst <= args.interval else 'BEYOND'} the interval")
        print(f"resident memory round 1 {memory[0] / 1024:.1f} MiB, last {memory[-1] / 1024:.1f} MiB "
              f"({growth * 100:+.1f} %): {'flat' if abs(growth) <= 0.10 else 'NOT flat'}")
        return 0
    finally:
        for process in (exporter, agent):
            if process and process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
