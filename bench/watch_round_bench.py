#!/usr/bin/env python3
"""A watch round of a fleet: simulated printers (snmpsimd answering on many
loopback addresses, port 161) read by `netrov-cli watch` into a fresh store.

Prints each round's time against the watch's usual 15-minute interval, how
many printers answered, and the store's size after the last round.

  bench/watch_round_bench.py PROGRAM_DIR [--printers 1000] [--rounds 2]
                             [--interval 60] [--jobs 8] [--walk mono_laser]

Needs root (port 161), snmpsimd and the built netrov-cli. Sends packets to
127.0.0.0/8 only.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WATCH_INTERVAL = 15 * 60  # what a fleet is watched at; the bench's own interval only spaces its rounds
UDP_DOMAIN = "1.3.6.1.6.1.1"  # snmpsimd numbers its UDP endpoints under this, from 0 in the order given
SERIAL_OID = "1.3.6.1.2.1.43.5.1.1.17.1"
MAC_PREFIX = "1.3.6.1.2.1.2.2.1.6."
BLACK_LEVEL_OID = "1.3.6.1.2.1.43.11.1.1.9.1.1"
ROUND_LINE = re.compile(r"round (\d+) at .*: (\d+) answered, (\d+) silent, .*\(([\d.]+) s\)")


def addresses(count):
    """127.62.X.Y, skipping .0 and .255 so no address looks like a broadcast."""
    out = []
    n = 0
    while len(out) < count:
        x, y = divmod(n, 254)
        out.append(f"127.62.{x}.{y + 1}")
        n += 1
    return out


def write_printers(walk, folder, count):
    """One walk per endpoint, each printer with its own serial number, MAC and
    black level: snmpsimd in its v2c architecture picks the file named after
    the community and the endpoint's transport ID. The same walk everywhere
    would be one printer to the store."""
    with open(walk) as f:
        lines = f.read().splitlines()
    os.makedirs(folder)
    for i in range(count):
        out = []
        for line in lines:
            oid, kind, value = line.split("|", 2)
            if oid == SERIAL_OID:
                value = f"BENCH{i:06}"
            elif oid.startswith(MAC_PREFIX) and kind == "4x" and value:
                value = f"02BE{i:08X}"
            elif oid == BLACK_LEVEL_OID:
                value = str(10 + i % 90)
            out.append(f"{oid}|{kind}|{value}")
        with open(os.path.join(folder, f"{UDP_DOMAIN}.{i}.snmprec"), "w") as f:
            f.write("\n".join(out) + "\n")


def answers(address, community):
    """Whether the simulator answers sysDescr at address."""
    result = subprocess.run(["snmpget", "-v1", "-c", community, "-t", "1", "-r", "0", address,
                             "1.3.6.1.2.1.1.1.0"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return result.returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program_dir")
    parser.add_argument("--printers", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--interval", type=int, default=60)
    parser.add_argument("--jobs", type=int, default=8)
    parser.add_argument("--walk", default="mono_laser")
    args = parser.parse_args()

    cli = os.path.join(args.program_dir, "netrov-cli")
    if os.geteuid() != 0 or not shutil.which("snmpsimd") or not shutil.which("snmpget") or not os.access(cli, os.X_OK):
        print("watch_round_bench: needs root, snmpsimd, snmpget and a built netrov-cli", file=sys.stderr)
        return 77

    work = tempfile.mkdtemp(prefix="watch-bench-")
    agent = None
    try:
        data = os.path.join(work, "data")
        cache = os.path.join(work, "cache")
        os.makedirs(data)
        os.makedirs(cache)
        write_printers(os.path.join(SOURCE_DIR, "tests", "devices", args.walk + ".snmprec"),
                       os.path.join(data, args.walk), args.printers)
        os.chmod(work, 0o755)
        os.chmod(cache, 0o1777)
        targets = addresses(args.printers)
        command = ["snmpsimd", "--v2c-arch", f"--data-dir={data}", f"--cache-dir={cache}",
                   "--process-user=nobody", "--process-group=nogroup"]
        command += [f"--agent-udpv4-endpoint={a}:161" for a in targets]
        agent_log = open(os.path.join(work, "agent.log"), "w")
        agent = subprocess.Popen(command, stdout=agent_log, stderr=subprocess.STDOUT)
        # The simulator answers its last address once it has bound them all.
        deadline = time.monotonic() + 180
        while not answers(targets[-1], args.walk):
            if time.monotonic() > deadline or agent.poll() is not None:
                print("watch_round_bench: the simulated printers did not come up", file=sys.stderr)
                return 1
            time.sleep(1)

        target_file = os.path.join(work, "targets")
        with open(target_file, "w") as f:
            f.write("\n".join(targets) + "\n")
        store = os.path.join(work, "fleet.db")
        print(f"watch_round_bench: {args.printers} printers ({args.walk}), {args.jobs} read at once, "
              f"{args.rounds} rounds {args.interval} s apart, fresh store")
        started = time.monotonic()
        watch = subprocess.run([cli, "watch", "--targets", target_file, "--community", args.walk,
                                "--rounds", str(args.rounds), "--interval", str(args.interval),
                                "--jobs", str(args.jobs), "--store", store],
                               capture_output=True, text=True)
        total = time.monotonic() - started
        if watch.returncode != 0:
            print(f"watch_round_bench: watch ended with {watch.returncode}: {watch.stderr.strip()}", file=sys.stderr)
            return 1
        worst = 0.0
        for line in watch.stdout.splitlines():
            match = ROUND_LINE.match(line)
            if not match:
                continue
            number, answered, silent, took = int(match[1]), int(match[2]), int(match[3]), float(match[4])
            worst = max(worst, took)
            print(f"round {number}: {took:7.1f} s of {WATCH_INTERVAL} s ({took / WATCH_INTERVAL:.3f} of the interval)  "
                  f"{answered}/{args.printers} answered, {silent} silent")
        size = sum(os.path.getsize(os.path.join(work, name)) for name in os.listdir(work)
                   if name.startswith("fleet.db"))
        print(f"store after {args.rounds} rounds: {size / (1024 * 1024):.2f} MiB (file and log); watch ran {total:.1f} s")
        print(f"slowest round {worst:.1f} s: {'within' if worst <= WATCH_INTERVAL else 'BEYOND'} the 15-minute interval")
        return 0
    finally:
        if agent and agent.poll() is None:
            agent.send_signal(signal.SIGTERM)
            try:
                agent.wait(10)
            except subprocess.TimeoutExpired:
                agent.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
