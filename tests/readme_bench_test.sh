#!/usr/bin/env bash
# The README's "Setting up a bench", as it stands there: a maker signs the
# example files, the database's owner makes the tables, roles and a bench's
# log-in, and a fresh bench (a home of its own) installs the key, its
# password and settings, checks the release and flashes a simulated radio.
# The server is a throwaway PostgreSQL cluster on a Unix socket that stands
# in for dbhost; the keys are throwaway GnuPG keys.
#
#   readme_bench_test.sh README BIN-FOLDERS EXAMPLES    (BIN-FOLDERS: as in PATH)
set -euo pipefail
readme=$1 bin=$2 examples=$3
work=$(mktemp -d /tmp/zorvane-walk-XXXXXX)
chmod 755 "$work"   # the server runs as postgres when this runs as root
pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_server() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
cleanup() {
  as_server "$pgbin/pg_ctl" -w -m fast -D "$work/db/data" stop >/dev/null 2>&1 || true
  jobs -p | xargs -r kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The server: its administrator, then the owner and the database, as the
# README's server set-up makes them.
mkdir -p "$work/db"
echo admin-pw >"$work/db/password"
[ "$(id -u)" = 0 ] && chown -R postgres "$work/db"
as_server "$pgbin/initdb" --no-sync -E UTF8 --locale=C -A scram-sha-256 -U admin --pwfile="$work/db/password" \
  -D "$work/db/data" >"$work/initdb.log"
as_server "$pgbin/pg_ctl" -w -D "$work/db/data" -l "$work/db/server.log" \
  -o "-k $work/db -c listen_addresses='' -c fsync=off" start >/dev/null
PGPASSWORD=admin-pw psql -X -q -h "$work/db" -U admin -d postgres \
  -c "CREATE ROLE lineowner LOGIN CREATEROLE PASSWORD 'owner-pw'" -c "CREATE DATABASE line OWNER lineowner"

# The section's three blocks, with the throwaway server for dbhost and the
# build's example files for the installed ones.
socket=$work/db
escaped=${socket//\//%2F}
awk '/^### Setting up a bench/ { section = 1; next }
     section && /^### / { exit }
     section && /^```sh/ { n++; inside = 1; next }
     inside && /^```/ { inside = 0; next }
     inside { print > (dir "/block" n ".sh") }' dir="$work" "$readme"
for block in "$work"/block{1,2,3}.sh; do
  # printf's format takes the URL's %-escapes as its own: doubled there.
  sed -i -e "s|/usr/share/zorvane/examples|$examples|g" -e "/^printf/s|@dbhost/|@${escaped//%/%%}/|g" \
    -e "s|@dbhost/|@$escaped/|g" -e "s|-h dbhost|-h $socket|g" \
    -e "s|'dbhost:5432:|'$socket:5432:|g" -e "s|PASSWORD|bench7-pw|g" "$block"
done
export PATH="$bin:$PATH"
unset PGPASSWORD PGHOST PGUSER PGDATABASE

# The maker, with a throwaway release key.
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
gpg --batch --quiet --passphrase '' --quick-gen-key 'Release <release@example.com>' ed25519 sign never 2>/dev/null
(cd "$work" && bash -e block1.sh) >"$work/maker.log" 2>&1 || { cat "$work/maker.log"; exit 1; }

# The owner, on a machine of its own; createuser asks for the new password
# on standard input when there is no terminal.
mkdir -p "$work/owner"
(umask 077 && echo "$socket:5432:*:lineowner:owner-pw" >"$work/owner/.pgpass")
(cd "$work" && HOME=$work/owner setsid -w bash -e block2.sh <<<$'bench7-pw\nbench7-pw') >"$work/owner.log" 2>&1 ||
  { cat "$work/owner.log"; exit 1; }

# The bench: a fresh home.
mkdir -p "$work/bench"
export HOME=$work/bench XDG_CONFIG_HOME=$work/bench/.config XDG_DATA_HOME=$work/bench/.local/share
unset GNUPGHOME
(cd "$work" && timeout 120 bash -e block3.sh) >"$work/bench.log" 2>&1 </dev/null || { cat "$work/bench.log"; exit 1; }

expect() {
  grep -qF -- "$1" "$work/bench.log" || { echo "the walk did not say: $1"; cat "$work/bench.log"; exit 1; }
}
expect "Database: postgresql://bench7@$escaped/line: reachable, schema version 2"
expect "Released files: SHA256SUMS, signed by "
expect "Programming Successful!"
expect "Waiting: 0"
expect "unit SN-000001 on ./ttyRADIO, success"
record=$(tail -1 "$work/bench/.local/share/zorvane/flash-records.jsonl")
for field in '"operator":"Ann"' '"work_order":"WO-4711"' '"unit":"SN-000001"' '"signed_by":"'; do
  case $record in *"$field"*) ;; *) echo "the record lacks $field: $record"; exit 1 ;; esac
done
rows=$(PGPASSWORD=admin-pw psql -X -At -h "$socket" -U admin -d line -c "SELECT unit || ' ' || outcome FROM flash_records")
[ "$rows" = "SN-000001 success" ] || { echo "the database holds: $rows"; exit 1; }
