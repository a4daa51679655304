#!/usr/bin/env bash
# Checks the exporter's alert rules with promtool and runs their unit tests;
# skips (77) when promtool is not installed.
set -euo pipefail
rules=$1
tests=$2
if ! command -v promtool >/dev/null; then
  echo "SKIP: promtool is not installed (Debian package prometheus)"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$rules" "$dir/netrov.rules.yml"
cp "$tests" "$dir/rules_test.yml"
promtool check rules "$dir/netrov.rules.yml"
promtool test rules "$dir/rules_test.yml"
