#!/usr/bin/env python3
"""A real Prometheus scrapes netrov-exporter over simulated printers, all inside a private network namespace.

Usage: prometheus_test.py PROGRAM_DIR SOURCE_DIR MODE
  MODE "alerts":  one exporter; after two scrapes the query API gives a colour
                  laser's supply ratios, the same over IPv4 and IPv6, and the
                  low-toner rule fires for the one printer whose toner is low
                  and for no other.
  MODE "hashmod": two exporters share a fleet by hashmod relabelling; every
                  printer is scraped by exactly one of them.
Exit 77 (skipped) without root, unshare, ip, prometheus or snmpsimd. Every
address is on the namespace's own loopback.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

SKIP = 77
DEADLINE_SECONDS = 30
COMMUNITY = "promtest"
PROMETHEUS = "127.0.0.1:9090"


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def check_prerequisites(program_dir):
    if os.geteuid() != 0:
        skip("a private network namespace and port 161 need root")
    for tool in ("unshare", "ip", "prometheus", "snmpsimd"):
        if shutil.which(tool) is None:
            skip(f"{tool} is not installed")
    if not os.access(os.path.join(program_dir, "netrov-exporter"), os.X_OK):
        skip("netrov-exporter is not built")
    if subprocess.run(["unshare", "-n", "true"], capture_output=True).returncode != 0:
        skip("unshare -n is not permitted here")


class Processes:
    """Every process the test starts; all are stopped at the end, on every path."""

    def __init__(self, work):
        self.work = work
        self.running = []

    def start(self, name, args):
        log = open(os.path.join(self.work, name + ".log"), "wb")
        process = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        self.running.append((name, process))
        return process

    def log(self, name):
        with open(os.path.join(self.work, name + ".log"), errors="replace") as f:
            return f.read()

    def check_alive(self):
        for name, process in self.running:
            if process.poll() is not None:
                raise AssertionError(f"{name} ended early ({process.returncode}):\n{self.log(name)}")

    def stop_all(self):
        for _, process in self.running:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
        end = time.monotonic() + 5
        for _, process in self.running:
            try:
                process.wait(max(0.1, end - time.monotonic()))
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        self.running = []


def http_get(url, timeout=2):
    with urllib.request.urlopen(url, timeout=timeout) as response:
        return response.read().decode()


def wait_for(what, probe, processes):
    """Polls probe() until it returns a true value, up to the deadline."""
    end = time.monotonic() + DEADLINE_SECONDS
    last = None
    while time.monotonic() < end:
        processes.check_alive()
        try:
            last = probe()
            if last:
                return last
        except (urllib.error.URLError, ConnectionError, OSError, ValueError) as e:
            last = e
        time.sleep(0.2)
    raise AssertionError(f"no {what} within {DEADLINE_SECONDS} s (last: {last})")


def query(expr):
    url = f"http://{PROMETHEUS}/api/v1/query?" + urllib.parse.urlencode({"query": expr})
    answer = json.loads(http_get(url))
    if answer.get("status") != "success":
        raise ValueError(answer)
    return answer["data"]["result"]


def serve_walk(processes, work, name, text, addresses):
    """One snmpsimd per walk: a community's data is served on all its endpoints."""
    data = os.path.join(work, "agents", name, "data")
    cache = os.path.join(work, "agents", name, "cache")
    os.makedirs(data)
    os.makedirs(cache)
    # The simulator drops to nobody, who must read its data and write its cache.
    for folder in (os.path.join(work, "agents"), os.path.dirname(data), data):
        os.chmod(folder, 0o755)
    os.chmod(cache, 0o777)
    path = os.path.join(data, COMMUNITY + ".snmprec")
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, 0o644)
    args = ["snmpsimd", f"--data-dir={data}", f"--cache-dir={cache}",
            "--process-user=nobody", "--process-group=nogroup"]
    args += [f"--agent-udpv6-endpoint=[{a}]:161" if ":" in a else f"--agent-udpv4-endpoint={a}:161" for a in addresses]
    processes.start("snmpsimd-" + name, args)


def walk_text(source_dir, walk, edits=None):
    with open(os.path.join(source_dir, "tests", "devices", walk + ".snmprec")) as f:
        lines = f.read().splitlines()
    edits = edits or {}
    return "".join(edits.get(line.split("|", 1)[0], line) + "\n" for line in lines)


def start_exporter(processes, work, program_dir, name, listen):
    config = os.path.join(work, name + ".yml")
    with open(config, "w") as f:
        f.write(f"listen_address: {listen}\ntimeout: 1\nmax_parallel_probes: 16\n"
                f"communities:\n  default: {COMMUNITY}\n")
    processes.start(name, [os.path.join(program_dir, "netrov-exporter"), f"--config.file={config}"])


def wait_printer_up(processes, exporter, address):
    url = f"http://{exporter}/probe?target={address}"
    wait_for(f"answer from {address} through {exporter}",
             lambda: "\nnetrov_up 1\n" in "\n" + http_get(url, timeout=5), processes)


def start_prometheus(processes, work, scrape_configs, rule_files=()):
    config = {
        "global": {"scrape_interval": "1s", "scrape_timeout": "1s", "evaluation_interval": "1s"},
        "rule_files": list(rule_files),
        "scrape_configs": scrape_configs,
    }
    path = os.path.join(work, "prometheus.yml")
    with open(path, "w") as f:
        json.dump(config, f)  # JSON is YAML
    storage = os.path.join(work, "tsdb")
    os.makedirs(storage)
    processes.start("prometheus", ["prometheus", f"--config.file={path}", f"--storage.tsdb.path={storage}",
                                   f"--web.listen-address={PROMETHEUS}", "--log.level=warn"])
    wait_for("ready Prometheus", lambda: http_get(f"http://{PROMETHEUS}/-/ready") is not None, processes)


def probe_job(name, targets, exporter, extra_relabel=()):
    return {
        "job_name": name,
        "metrics_path": "/probe",
        "params": {"community": ["default"]},
        "static_configs": [{"targets": targets}],
        "relabel_configs": [
            {"source_labels": ["__address__"], "target_label": "__param_target"},
            {"source_labels": ["__param_target"], "target_label": "instance"},
            *extra_relabel,
            {"target_label": "__address__", "replacement": exporter},
        ],
    }


def sample_values(result, label):
    return {r["metric"].get(label, ""): float(r["value"][1]) for r in result}


def run_alerts(program_dir, source_dir, work, processes):
    colour, low, mono = "127.0.62.1", "127.0.62.2", "127.0.62.3"
    # The same colour laser on the namespace's IPv6 loopback, written as in prometheus.yml.
    colour6 = "[::1]"
    serve_walk(processes, work, "colour_laser", walk_text(source_dir, "colour_laser"), [colour, "::1"])
    # A mono laser whose black toner is down to 7 of 100.
    serve_walk(processes, work, "mono_low",
               walk_text(source_dir, "mono_laser", {"1.3.6.1.2.1.43.11.1.1.9.1.1": "1.3.6.1.2.1.43.11.1.1.9.1.1|2|7"}),
               [low])
    serve_walk(processes, work, "mono_laser", walk_text(source_dir, "mono_laser"), [mono])
    exporter = "127.0.0.1:10109"
    start_exporter(processes, work, program_dir, "exporter", exporter)
    for address in (colour, low, mono, colour6):
        wait_printer_up(processes, exporter, address)

    # The shipped rules with every hold time cut to one second, so a rule that
    # holds fires within the test; the expressions stay as shipped.
    with open(os.path.join(source_dir, "exporter", "rules", "netrov.rules.yml")) as f:
        shipped = f.read()
    rules = re.sub(r"(?m)^(\s+)for: \S+$", r"\1for: 1s", shipped)
    assert rules != shipped, "the rules have no hold times to shorten"
    rules_path = os.path.join(work, "netrov.rules.yml")
    with open(rules_path, "w") as f:
        f.write(rules)

    start_prometheus(processes, work, [probe_job("printers", [colour, low, mono, colour6], exporter)], [rules_path])
    wait_for("two scrapes of every printer",
             lambda: len(query("count_over_time(netrov_up[1m]) >= 2")) == 4, processes)

    # Levels come in whole percent: the drum's 31250 of 50000 is 62 %.
    expected = {"Black Toner": 0.64, "Cyan Toner": 0.52, "Magenta Toner": 0.47, "Yellow Toner": 0.7,
                "Imaging Drum": 0.62}
    # The waste box reports only "some remaining" (-3): a state, never a ratio.
    for instance in (colour, colour6):
        ratios = sample_values(query(f'netrov_supply_level_ratio{{instance="{instance}"}}'), "description")
        assert ratios == expected, f"ratios of {instance}: {ratios}"
    info = sample_values(query(f'netrov_printer_info{{instance="{colour6}"}}'), "address")
    assert info == {"::1": 1.0}, info
    waste = query(f'netrov_supply_state{{instance="{colour}",description="Waste Toner Box",state="some_remaining"}}')
    assert sample_values(waste, "state") == {"some_remaining": 1.0}, waste
    low_ratio = sample_values(query(f'netrov_supply_level_ratio{{instance="{low}",index="1"}}'), "description")
    assert low_ratio == {"Black Toner Cartridge": 0.07}, low_ratio

    def firing():
        alerts = json.loads(http_get(f"http://{PROMETHEUS}/api/v1/alerts"))["data"]["alerts"]
        toner = [a for a in alerts if a["labels"]["alertname"] == "PrinterTonerLow"]
        return toner if any(a["state"] == "firing" for a in toner) else None

    toner = wait_for("firing PrinterTonerLow", firing, processes)
    instances = sorted((a["labels"]["instance"], a["labels"]["description"], a["state"]) for a in toner)
    assert instances == [(low, "Black Toner Cartridge", "firing")], instances
    series = query('ALERTS{alertname="PrinterTonerLow",alertstate="firing"}')
    assert sample_values(series, "instance") == {low: 1.0}, series
    down = query('ALERTS{alertname="PrinterDown"}')
    assert down == [], down

    # Every query of the shipped dashboard answers, over all jobs and printers.
    with open(os.path.join(source_dir, "exporter", "grafana", "netrov-dashboard.json")) as f:
        dashboard = json.load(f)
    for panel in dashboard["panels"]:
        for target in panel["targets"]:
            expr = target["expr"].replace("$job", ".+").replace("$instance", ".+")
            assert query(expr), f'dashboard panel {panel["title"]} {target["refId"]}: no series for {expr}'
    print(f"Prometheus reads {colour}'s and {colour6}'s ratios and fires PrinterTonerLow for {low} only; the dashboard's queries answer")


def run_hashmod(program_dir, source_dir, work, processes):
    printers = [f"127.0.63.{i}" for i in range(1, 11)]
    serve_walk(processes, work, "mono_laser", walk_text(source_dir, "mono_laser"), printers)
    exporters = ["127.0.0.1:10109", "127.0.0.1:10110"]
    for i, listen in enumerate(exporters):
        start_exporter(processes, work, program_dir, f"exporter{i}", listen)
    for address in printers:
        wait_printer_up(processes, exporters[0], address)
    before = [exporter_scrapes(e) for e in exporters]

    # Each exporter's job lists the whole fleet and keeps its share of it.
    jobs = []
    for shard, exporter in enumerate(exporters):
        relabel = [
            {"source_labels": ["__param_target"], "modulus": len(exporters), "target_label": "__tmp_hash",
             "action": "hashmod"},
            {"source_labels": ["__tmp_hash"], "regex": str(shard), "action": "keep"},
        ]
        jobs.append(probe_job(f"printers-{shard}", printers, exporter, relabel))
    start_prometheus(processes, work, jobs)
    wait_for("two scrapes of every printer",
             lambda: len(query("count_over_time(netrov_up[1m]) >= 2")) == len(printers), processes)

    per_instance = sample_values(query("count by (instance) (up)"), "instance")
    assert per_instance == {p: 1.0 for p in printers}, f"up series per printer: {per_instance}"
    up = query("up")
    assert all(r["value"][1] == "1" for r in up), up
    shares = [sorted(r["metric"]["instance"] for r in up if r["metric"]["job"] == f"printers-{s}")
              for s in range(len(exporters))]
    assert all(shares), f"an exporter got no printer: {shares}"

    # Each exporter's own scrape count grows by what its share explains.
    pulled = {s: query(f'sum(count_over_time(up{{job="printers-{s}"}}[5m]))') for s in range(len(exporters))}
    after = [exporter_scrapes(e) for e in exporters]
    for s, exporter in enumerate(exporters):
        grown = after[s] - before[s]
        scraped = float(pulled[s][0]["value"][1])
        assert scraped <= grown <= scraped + 2 * len(shares[s]), \
            f"{exporter} answered {grown} probes for {scraped} scrapes of {shares[s]}"
    print(f"hashmod splits {len(printers)} printers {len(shares[0])}/{len(shares[1])}, each scraped once")


def exporter_scrapes(exporter):
    text = http_get(f"http://{exporter}/metrics")
    match = re.search(r"(?m)^netrov_exporter_scrapes_total (\S+)$", text)
    if not match:
        raise AssertionError(f"no netrov_exporter_scrapes_total on {exporter}:\n{text}")
    return float(match.group(1))


def main():
    program_dir, source_dir, mode = sys.argv[1], sys.argv[2], sys.argv[3]
    if mode not in ("alerts", "hashmod"):
        print(f"unknown mode {mode}", file=sys.stderr)
        return 2
    if os.environ.get("NETROV_PRIVATE_NETNS") != "1":
        check_prerequisites(program_dir)
        script = os.path.abspath(__file__)
        return subprocess.run(["unshare", "-n", "sh", "-c", 'ip link set lo up && exec "$@"', "sh",
                               "env", "NETROV_PRIVATE_NETNS=1", sys.executable, script, *sys.argv[1:]]).returncode

    work = tempfile.mkdtemp(prefix="netrov-prometheus-")
    os.chmod(work, 0o755)
    processes = Processes(work)
    # CTest ends a test past its time-out with SIGTERM: stop the processes first.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    started = time.monotonic()
    try:
        (run_alerts if mode == "alerts" else run_hashmod)(program_dir, source_dir, work, processes)
    except AssertionError as e:
        print(f"FAIL: {e}", file=sys.stderr)
        for name, _ in processes.running:
            if name.startswith("snmpsimd"):
                continue  # it logs every exchange
            print(f"--- {name}.log (tail)\n{processes.log(name)[-2000:]}", file=sys.stderr)
        return 1
    finally:
        processes.stop_all()
        shutil.rmtree(work, ignore_errors=True)
    print(f"took {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
