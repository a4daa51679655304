#!/usr/bin/env python3
"""The exporter at fleet scale: simulated printers (snmpsimd answering on
many loopback addresses, port 161) probed through one netrov-exporter as a
Prometheus server scraping them would, round after round.

Prints, per round, the time to probe every printer, how many answered, and
the exporter's resident memory; at the end whether every round fitted in the
scrape interval and whether memory stayed flat. Then one printer behind a
relay that holds each request --delay-ms (as a real network does; this
kernel has no netem) is probed by SNMPv1 and by SNMPv2c, with the ratio.

  bench/exporter_bench.py PROGRAM_DIR [--printers 1000] [--rounds 10]
                          [--interval 60] [--parallel 64] [--walk mono_laser]
                          [--delay-ms 20]

Needs root (port 161), snmpsimd and the built exporter. Sends packets to
127.0.0.0/8 only.
"""
import argparse
import concurrent.futures
import selectors
import threading
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


class DelayRelay(threading.Thread):
    """UDP on listen:161 to upstream:161, each request held delay seconds;
    replies go back at once."""

    def __init__(self, listen, upstream, delay):
        super().__init__(daemon=True)
        self.upstream = (upstream, 161)
        self.delay = delay
        self.exchanges = 0
        self.front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.front.bind((listen, 161))
        self.stopped = False
        self.clients = {}  # back socket -> client address

    def run(self):
        selector = selectors.DefaultSelector()
        selector.register(self.front, selectors.EVENT_READ)
        pending = []  # (due, data, client)
        while not self.stopped:
            timeout = max(0.0, pending[0][0] - time.monotonic()) if pending else 0.2
            for key, _ in selector.select(timeout):
                if key.fileobj is self.front:
                    data, client = self.front.recvfrom(65535)
                    self.exchanges += 1
                    pending.append((time.monotonic() + self.delay, data, client))
                else:
                    data, _ = key.fileobj.recvfrom(65535)
                    self.front.sendto(data, self.clients[key.fileobj])
            now = time.monotonic()
            while pending and pending[0][0] <= now:
                _, data, client = pending.pop(0)
                back = next((b for b, c in self.clients.items() if c == client), None)
                if back is None:
                    back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                    self.clients[back] = client
                    selector.register(back, selectors.EVENT_READ)
                back.sendto(data, self.upstream)


def single_probe(base, relay, address, walk, version):
    relay.exchanges = 0
    started = time.monotonic()
    body = urllib.request.urlopen(f"{base}/probe?target={address}&community=bench&version={version}",
                                  timeout=60).read().decode()
    took = time.monotonic() - started
    up = any(line.startswith("netrov_up") and line.rstrip().endswith(" 1") for line in body.splitlines())
    return took, relay.exchanges, up


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program_dir")
    parser.add_argument("--printers", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--interval", type=float, default=60.0)
    parser.add_argument("--parallel", type=int, default=64)
    parser.add_argument("--walk", default="mono_laser")
    parser.add_argument("--delay-ms", type=float, default=20.0)
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

        relay = DelayRelay("127.61.0.1", targets[0], args.delay_ms / 1000)
        relay.start()
        timings = {}
        for version in ("1", "2c"):
            single_probe(base, relay, "127.61.0.1", args.walk, version)  # the service learns the device
            timings[version] = single_probe(base, relay, "127.61.0.1", args.walk, version)
        relay.stopped = True
        for version, (took, exchanges, up) in timings.items():
            print(f"one printer at {args.delay_ms:g} ms per exchange, SNMP {version:>2}: {took:.3f} s, "
                  f"{exchanges} exchanges{'' if up else ' (NOT up)'}")
        print(f"SNMPv2c / SNMPv1 probe time: {timings['2c'][0] / timings['1'][0]:.2f} "
              f"({timings['1'][0] / timings['2c'][0]:.1f}x faster); "
              f"{'within' if timings['2c'][0] <= 1.0 else 'BEYOND'} 1 s")
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
