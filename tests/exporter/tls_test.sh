#!/usr/bin/env bash
# The exporter behind TLS and basic authentication from a web configuration
# file in the exporter toolkit's format: a self-signed certificate made here,
# a scrape over HTTPS that trusts it, plain HTTP refused, a wrong password
# answered 401 and an over-long head 431.
#   tls_test.sh PROGRAM_DIR
# Exit 77 (skipped) without openssl, curl or the program.
set -euo pipefail
program_dir=$1
for tool in openssl curl python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
[ -x "$program_dir/netrov-exporter" ] || { echo "SKIP: netrov-exporter is not built"; exit 77; }

work=$(mktemp -d)
exporter=
cleanup() {
  [ -z "$exporter" ] || kill "$exporter" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
verdict=0
fail() { echo "FAIL: $*" >&2; verdict=1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
# The password's hash as the toolkit's files hold it (crypt's SHA-512 form,
# which the exporter checks as it checks bcrypt's).
hash=$(python3 -c 'import crypt; print(crypt.crypt("scrape-secret", crypt.mksalt(crypt.METHOD_SHA512)))' 2>/dev/null ||
  openssl passwd -6 scrape-secret)
cat >"$work/web.yml" <<YAML
tls_server_config:
  cert_file: $work/cert.pem
  key_file: $work/key.pem
basic_auth_users:
  prometheus: '$hash'
YAML
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$program_dir/netrov-exporter" --web.listen-address="127.0.0.1:$port" --web.config.file="$work/web.yml" \
  >"$work/log" 2>&1 &
exporter=$!

url=https://127.0.0.1:$port/metrics
code=000
for _ in $(seq 50); do
  code=$(curl -s -o "$work/body" -w '%{http_code}' --cacert "$work/cert.pem" -u prometheus:scrape-secret "$url") || true
  [ "$code" = 200 ] && break
  sleep 0.1
done
[ "$code" = 200 ] || fail "an authorised scrape over TLS got $code: $(cat "$work/log")"
grep -q '^netrov_exporter_build_info' "$work/body" || fail "the TLS scrape lacks the exporter's metrics"

code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$work/cert.pem" -u prometheus:wrong "$url") || true
[ "$code" = 401 ] || fail "a wrong password got $code, not 401"
code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$work/cert.pem" "$url") || true
[ "$code" = 401 ] || fail "a scrape without credentials got $code, not 401"
# A head beyond its bound is refused before the password is checked.
code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$work/cert.pem" \
  -H "X-Long: $(head -c 65536 /dev/zero | tr '\0' a)" "$url") || true
[ "$code" = 431 ] || fail "a 64 KiB header over TLS got $code, not 431"
# Plain HTTP on the TLS port never gets the metrics.
if curl -s --max-time 5 "http://127.0.0.1:$port/metrics" 2>/dev/null | grep -q netrov_exporter; then
  fail "plain HTTP was served on the TLS port"
fi
# A client that does not trust the certificate is refused by its own check.
if curl -s -o /dev/null --max-time 5 -u prometheus:scrape-secret "$url" 2>/dev/null; then
  fail "an untrusted certificate was accepted"
fi
grep -q 'scrape-secret' "$work/log" && fail "the exporter logged the password"
exit "$verdict"
