# Sourced by the network test scripts (their first argument: the build folder): `bin`, a
# scratch folder `work` (kept and named with KEEP=1), `server_pid` (the server started
# there, stopped on exit and awaited, since it saves its games in progress on SIGTERM
# before the folder goes), and `fail`, which prints every *.out of the folder.
bin=$(cd "$1" && pwd)
work=$(mktemp -d); [ -n "${KEEP:-}" ] && echo "$work"
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$1"; for f in "$work"/*.out; do echo "== $f"; cat "$f"; done; exit 1; }
