#!/usr/bin/env bash
# Creates the withholdings database with its table when it does not exist yet;
# an existing database is left as it is. The file is built under a temporary
# name and renamed when complete, so a failed run leaves no half-made database
# that a later run would take for a good one.
# Usage: create-db.sh [database file]; default: ~/Retenciones/RETENCIONES.FDB
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/env.sh"
database="${1:-$HOME/Retenciones/RETENCIONES.FDB}"
[ -f "$database" ] && exit 0
case "$database" in
  *\'*) echo "create-db.sh: a database path with a quote is not supported: $database" >&2; exit 1 ;;
esac
mkdir -p "$(dirname "$database")"
partial="$database.creating"
rm -f "$partial"
trap 'rm -f "$partial"' EXIT
{
  echo "SET SQL DIALECT 3;"
  echo "CREATE DATABASE '$partial' USER 'SYSDBA' PASSWORD 'pinecrest' DEFAULT CHARACTER SET WIN1252;"
  cat "$root/db/schema.sql"
  echo "COMMIT;"
} | isql-fb -q -bail -user SYSDBA -password pinecrest
mv "$partial" "$database"
trap - EXIT
echo "Created $database" >&2
