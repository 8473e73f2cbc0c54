#!/usr/bin/env bash
# korvel4-server with TLS (wss://) on 127.0.0.1 only, with the committed self-signed
# certificate for localhost: korvel4-client and korvel4-script join over wss:// trusting it
# and play; a plain ws:// client and one that does not trust the certificate fail at once
# with the reason; certificate or key files that cannot be used stop the server at start
# with the reason and a non-zero status. Bounded by timeouts.
set -euo pipefail
source "$(dirname "$0")/rig.sh"
here=$(cd "$(dirname "$0")" && pwd)
cert=$here/localhost-cert.pem
key=$here/localhost-key.pem
cd "$work"

# Files that cannot be used: the server does not start, and says which file and why.
printf -- '-----BEGIN CERTIFICATE-----\nnot a certificate\n' > damaged.pem
mkdir folder.pem
mkfifo pipe.pem
refused() {  # WHY CERT KEY
  local status=0
  timeout 10 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --cert "$2" --key "$3" \
    > refused.out 2>&1 || status=$?
  [ "$status" != 0 ] && [ "$status" != 124 ] || fail "the server started with $2 and $3 (status $status)"
  grep -q "$1" refused.out || fail "no reason \"$1\" for $2 and $3: $(cat refused.out)"
}
refused "certificate file $work/missing.pem: no such file" "$work/missing.pem" "$key"
refused "certificate file $work/damaged.pem: no PEM certificate" "$work/damaged.pem" "$key"
refused "certificate file folder.pem: not a regular file" folder.pem "$key"
refused "certificate file pipe.pem: not a regular file" pipe.pem "$key"
refused "key file damaged.pem: no PEM private key" "$cert" damaged.pem
refused "key file missing.pem: no such file" "$cert" missing.pem
refused "key file $cert: no PEM private key" "$cert" "$cert"
refused "the certificate and the key do not work together" "$cert" "$here/other-key.pem"
status=0; timeout 10 "$bin/korvel4-server" --port 0 --cert "$cert" > refused.out 2>&1 || status=$?
[ "$status" = 2 ] && grep -q -- "--cert and --key go together" refused.out ||
  fail "a certificate without its key was not refused"
echo "certificate and key files that cannot be used are refused at start"

: > server.out
timeout 60 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --pause 0.05 --room TLSROOM \
  --people 13 --level 1 --cert "$cert" --key "$key" > server.out 2>&1 &
server_pid=$!
for _ in $(seq 300); do
  port=$(sed -n 's/^listening on port \([0-9]*\) (TLS)$/\1/p' server.out)
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || fail "the server did not start with TLS"

# Turned away: a plain ws:// connection, and wss:// without trusting the certificate.
status=0
timeout 20 "$bin/korvel4-client" --port "$port" --room TLSROOM --seat 3 --timeout 15 \
  > plain.out 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "no connection" plain.out || fail "a plain connection was not turned away ($status)"
status=0
timeout 20 "$bin/korvel4-client" --port "$port" --room TLSROOM --seat 3 --tls --timeout 15 \
  > untrusted.out 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "no connection: TLS: " untrusted.out ||
  fail "an untrusted certificate was not refused ($status)"
echo "a plain connection and an untrusted certificate are turned away"

# The players, trusting the certificate: korvel4-client as the host at 下, korvel4-script
# at 上, a few moves each; their copies agree.
timeout 30 "$bin/korvel4-client" --port "$port" --room TLSROOM --seat 1 --name Host --start \
  --tls --trust "$cert" --max-turns 12 --record host.k4k > host.out 2>&1 &
host=$!
mkdir -p p3
cat > p3/script.txt <<SCRIPT
join wss://127.0.0.1 $port TLSROOM Third 3 $cert
timeout 20
level 1
computer 3
wait moves 12
record ../third.k4k
dump
SCRIPT
(cd p3 && timeout 30 "$bin/korvel4-script" script.txt > ../third.out 2>&1) || fail "the script's player failed"
wait "$host" || fail "the client's player failed"
grep -q '^joined TLSROOM 3$' third.out || fail "the script's player did not join"
[ "$(grep -c '^move 3 ' third.out)" -ge 3 ] || fail "the script's player did not play its moves"
grep -q '^welcome seat 1 room TLSROOM$' host.out || fail "the client did not join"
# The host left after 12 turns; the other may have seen a computer's turn more.
lines=$(grep -vc '^開始日時: ' host.k4k)
cmp <(grep -v '^開始日時: ' host.k4k) <(grep -v '^開始日時: ' third.k4k | head -n "$lines") ||
  fail "the players' games differ"
kill -0 "$server_pid" || fail "the server did not outlive the connections it turned away"
echo "players over wss:// joined and played ($(grep -c '^move ' third.out) moves seen)"
