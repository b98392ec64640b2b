# Sourced by the scripts: the environment the program and the tests run in.
# Firebird's default lock directory belongs to root; a user gets its own.
if [ -z "${FIREBIRD_LOCK:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    export FIREBIRD_LOCK=/tmp/firebird-retenciones
  else
    export FIREBIRD_LOCK="${XDG_RUNTIME_DIR:-/tmp}/firebird-retenciones-$(id -u)"
  fi
fi
mkdir -p "$FIREBIRD_LOCK"
