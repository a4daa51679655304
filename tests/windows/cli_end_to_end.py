#!/usr/bin/env python3
"""netrov-cli.exe under Wine against simulated printers on loopback: search
(by range and by a sweep of a block), info and status must report what the
walk holds, and, when a Linux build of
netrov-cli is given, exactly what the Linux program reports.

  cli_end_to_end.py CLI_EXE --runner WINE_RUNNER [--native-cli PATH] --walk FILE

Exits 77 (skipped) without root (port 161), without snmpsimd or net-snmp's
snmpget, or when Wine cannot start the program. Sends only to 127.0.0.x."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

ADDRESSES = ["127.0.0.61", "127.0.0.62"]
COMMUNITY = "public"
SKIP = 77


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(SKIP)


def walk_values(path):
    values = {}
    for line in open(path, encoding="utf-8", errors="replace"):
        parts = line.rstrip("\n").split("|", 2)
        if len(parts) == 3:
            values[parts[0]] = parts[2]
    return values


def start_agent(walk, work):
    program = shutil.which("snmpsimd") or shutil.which("snmpsimd.py")
    if not program:
        skip("snmpsimd is not installed (Debian package snmpsim)")
    if not shutil.which("snmpget"):
        skip("snmpget is not installed (Debian package snmp)")
    if os.geteuid() != 0:
        skip("serving port 161 needs root")
    data, cache = os.path.join(work, "data"), os.path.join(work, "cache")
    os.makedirs(data)
    os.makedirs(cache)
    shutil.copy(walk, os.path.join(data, COMMUNITY + ".snmprec"))
    for path, mode in ((work, 0o755), (data, 0o755), (cache, 0o777),
                       (os.path.join(data, COMMUNITY + ".snmprec"), 0o644)):
        os.chmod(path, mode)
    args = [program, f"--data-dir={data}", f"--cache-dir={cache}",
            "--process-user=nobody", "--process-group=nogroup"]
    args += [f"--agent-udpv4-endpoint={a}:161" for a in ADDRESSES]
    log = open(os.path.join(work, "snmpsimd.log"), "w")
    agent = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 60
    for address in ADDRESSES:
        while True:
            probe = subprocess.run(["snmpget", "-v1", "-c", COMMUNITY, "-t", "1", "-r", "0",
                                    address, "1.3.6.1.2.1.1.5.0"], capture_output=True)
            if probe.returncode == 0:
                break
            if agent.poll() is not None or time.monotonic() > deadline:
                agent.kill()
                sys.exit(f"the simulated printer did not answer on {address}: "
                         + open(os.path.join(work, "snmpsimd.log")).read())
            time.sleep(0.5)
    return agent


def portable(value):
    """The report with picture paths cut to their file names: the program
    folders of the two builds differ, and so do their separators."""
    if isinstance(value, dict):
        return {k: (v.replace("\\", "/").rsplit("/", 1)[-1] if k == "image" and isinstance(v, str) else portable(v))
                for k, v in value.items()}
    if isinstance(value, list):
        return [portable(v) for v in value]
    return value


def run(command, what):
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"{what} exited {result.returncode}\nstdout: {result.stdout}\nstderr: {result.stderr}")
    return result.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--runner", required=True, nargs="+")
    parser.add_argument("--native-cli")
    parser.add_argument("--walk", required=True)
    options = parser.parse_args()

    started = subprocess.run(options.runner + [options.cli, "--version"], capture_output=True, text=True)
    if started.returncode != 0 or not started.stdout.startswith("netrov-cli "):
        skip(f"Wine cannot start {os.path.basename(options.cli)}: {(started.stderr or started.stdout).strip()[:300]}")

    walk = walk_values(options.walk)
    name, location = walk["1.3.6.1.2.1.1.5.0"], walk["1.3.6.1.2.1.1.6.0"]
    commands = {
        "search": ["search", "--no-broadcast", "--range", f"{ADDRESSES[0]}-{ADDRESSES[-1]}",
                   "--timeout", "2", "--json"],
        # A block of more than 255 addresses goes through the sweep first.
        "sweep": ["search", "--no-broadcast", "--range", "127.0.0.0/23", "--rate", "20000",
                  "--timeout", "2", "--no-progress", "--json"],
        "info": ["info", ADDRESSES[0], "--timeout", "5", "--json"],
        "status": ["status", ADDRESSES[1], "--timeout", "5", "--json"],
    }
    for command in commands.values():
        command += ["--community", COMMUNITY]
    with tempfile.TemporaryDirectory(prefix="netrov-wine-e2e-") as work:
        agent = start_agent(options.walk, work)
        try:
            windows = {k: json.loads(run(options.runner + [options.cli] + c, f"netrov-cli.exe {k}"))
                       for k, c in commands.items()}
            native = {}
            if options.native_cli and os.access(options.native_cli, os.X_OK):
                native = {k: json.loads(run([options.native_cli] + c, f"netrov-cli {k}"))
                          for k, c in commands.items()}
        finally:
            agent.terminate()
            agent.wait(timeout=30)

    faults = []
    for search in ("search", "sweep"):
        devices = windows[search].get("devices", [])
        found = sorted(str(d.get("ipAddress")) for d in devices)
        if found != ADDRESSES:
            faults.append(f"{search} found {found}, not {ADDRESSES}")
        for device in devices:
            if device.get("device") != name or device.get("location") != location:
                faults.append(f"{search} reports {device.get('device')!r} at {device.get('location')!r}")
    info_text = json.dumps(windows["info"])
    for value in (name, location):
        if value not in info_text:
            faults.append(f"info lacks {value!r}: {info_text[:400]}")
    if not json.dumps(windows["status"]).strip("{}[] "):
        faults.append("status reported nothing")
    for key, value in native.items():
        if portable(windows[key]) != portable(value):
            faults.append(f"{key} differs from Linux:\n  Windows {json.dumps(windows[key])[:600]}\n"
                          f"  Linux   {json.dumps(value)[:600]}")
    for fault in faults:
        print("FAIL:", fault)
    compared = " and equal to Linux" if native else ""
    if not faults:
        print(f"search, sweep, info and status under Wine report the walk{compared}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
