#!/usr/bin/env python3
"""The Grafana dashboard shipped with netrov-exporter: valid JSON, one datasource input, and only metric and label names the exporter writes.

Usage: dashboard_test.py SOURCE_DIR
"""
import glob
import json
import os
import re
import sys

# Labels Prometheus adds to every scraped series.
SCRAPE_LABELS = {"job", "instance"}
HISTOGRAM_SUFFIXES = ("_bucket", "_sum", "_count")
DATASOURCE = {"type": "prometheus", "uid": "${DS_PROMETHEUS}"}


def exporter_names(source_dir):
    """Metric families and label names, as the exporter's sources declare them."""
    families, labels = set(), set()
    for path in glob.glob(os.path.join(source_dir, "exporter", "*.cpp")):
        with open(path) as f:
            text = f.read()
        families.update(re.findall(r'\.family\(\s*"([a-z_:]+)"', text))
        labels.update(re.findall(r'\{"([a-z_]+)",', text))
        labels.update(re.findall(r'emplace_back\("([a-z_]+)"', text))
    return families, labels


def expressions(dashboard):
    for panel in dashboard["panels"]:
        for t in panel.get("targets", []):
            yield f'panel {panel["id"]} {t["refId"]}', t["expr"]
    for variable in dashboard["templating"]["list"]:
        yield f'variable {variable["name"]}', variable["definition"]


def used_labels(expr):
    """Label names in matchers and in by/without clauses."""
    names = set()
    for matchers in re.findall(r"\{([^}]*)\}", expr):
        names.update(re.findall(r'([a-z_]+)\s*(?:=~|!~|!=|=)\s*"', matchers))
    for group in re.findall(r"\b(?:by|without)\s*\(([^)]*)\)", expr):
        names.update(n.strip() for n in group.split(",") if n.strip())
    return names


def main():
    source_dir = sys.argv[1]
    path = os.path.join(source_dir, "exporter", "grafana", "netrov-dashboard.json")
    with open(path) as f:
        dashboard = json.load(f)  # a JSON error fails the test here
    families, labels = exporter_names(source_dir)
    assert "netrov_supply_level_ratio" in families, f"no families found in the exporter's sources: {families}"
    faults = []

    inputs = dashboard.get("__inputs", [])
    if [(i["name"], i["pluginId"]) for i in inputs] != [("DS_PROMETHEUS", "prometheus")]:
        faults.append(f"the inputs are not one Prometheus datasource DS_PROMETHEUS: {inputs}")
    ids = [p["id"] for p in dashboard["panels"]]
    if len(ids) != len(set(ids)):
        faults.append(f"panel ids repeat: {ids}")
    for panel in dashboard["panels"]:
        if panel.get("datasource") != DATASOURCE:
            faults.append(f'panel {panel["id"]} does not use ${{DS_PROMETHEUS}}')
        for t in panel.get("targets", []):
            if t.get("datasource") != DATASOURCE:
                faults.append(f'panel {panel["id"]} {t["refId"]} does not use ${{DS_PROMETHEUS}}')
        for legend in (t.get("legendFormat", "") for t in panel.get("targets", [])):
            for name in re.findall(r"\{\{\s*([a-z_]+)\s*\}\}", legend):
                if name not in labels | SCRAPE_LABELS:
                    faults.append(f'panel {panel["id"]}: legend names unknown label {name}')
    for variable in dashboard["templating"]["list"]:
        if variable.get("datasource") != DATASOURCE:
            faults.append(f'variable {variable["name"]} does not use ${{DS_PROMETHEUS}}')

    used = set()
    for where, expr in expressions(dashboard):
        for metric in re.findall(r"\bnetrov_[a-z_]+\b", expr):
            base = next((metric[: -len(s)] for s in HISTOGRAM_SUFFIXES
                         if metric.endswith(s) and metric[: -len(s)] in families), metric)
            used.add(base)
            if base not in families:
                faults.append(f"{where}: {metric} is not an exporter metric")
        for name in used_labels(expr) - labels - SCRAPE_LABELS:
            faults.append(f"{where}: label {name} is not one the exporter writes")
    # The views the dashboard exists for.
    for needed in ("netrov_printer_info", "netrov_up", "netrov_attention", "netrov_supply_level_ratio"):
        if needed not in used:
            faults.append(f"the dashboard does not show {needed}")
    types = {p["type"] for p in dashboard["panels"]}
    for needed in ("table", "gauge", "timeseries"):
        if needed not in types:
            faults.append(f"the dashboard has no {needed} panel")

    for fault in faults:
        print("FAIL:", fault, file=sys.stderr)
    if not faults:
        print(f"{len(ids)} panels over {len(used)} exporter metrics")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
