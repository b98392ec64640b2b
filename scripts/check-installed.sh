#!/usr/bin/env bash
# Installs the package that scripts/package.sh wrote and starts the installed
# program the way a new user's desktop would: as a fresh non-root user, from
# the command of its desktop entry, without a display (offscreen). Checks
# that the first start made the user's database and lock folder, ends the
# program, then removes the user and the package again. Needs root.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$(ls "$root"/build/package/retenciones_*.deb)"
user=retenciones-check
export DEBIAN_FRONTEND=noninteractive

was_installed=no
dpkg-query -W -f='${Status}' retenciones 2>/dev/null | grep -q "install ok installed" && was_installed=yes
apt-get install -y -qq "$deb" >/dev/null
cleanup() {
  userdel --remove "$user" 2>/dev/null || true
  if [ "$was_installed" = no ]; then apt-get remove -y -qq retenciones >/dev/null; fi
}
trap cleanup EXIT
userdel --remove "$user" 2>/dev/null || true
useradd --create-home --shell /bin/bash "$user"
home="$(getent passwd "$user" | cut -d: -f6)"
uid="$(id -u "$user")"
command="$(sed -n 's/^Exec=//p' /usr/share/applications/ar.gob.vestora.Retenciones.desktop)"

# The program runs until it is ended: it must still be running once its first
# start has made the database (the timeout only bounds a hung start).
runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  QT_QPA_PLATFORM=offscreen timeout --kill-after=5 120 $command &
starter=$!
for _ in $(seq 600); do
  [ -f "$home/Retenciones/RETENCIONES.FDB" ] && break
  kill -0 "$starter" 2>/dev/null || break
  sleep 0.1
done
sleep 1
program="$(pgrep -u "$uid" -x retenciones || true)"
if [ -z "$program" ]; then
  wait "$starter" || true
  echo "check-installed: the installed program is not running" >&2
  exit 1
fi
# The Firebird client library catches SIGTERM for its own shutdown and the
# process goes on, so the program is ended for good after a short grace.
kill -TERM $program
for _ in $(seq 30); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
kill -KILL $program 2>/dev/null || true
wait "$starter" || true
test -s "$home/Retenciones/RETENCIONES.FDB" || { echo "check-installed: no database" >&2; exit 1; }
test ! -e "$home/Retenciones/RETENCIONES.FDB.creating" || { echo "check-installed: partial database" >&2; exit 1; }
lock="/tmp/firebird-retenciones-$uid"
test -d "$lock" && [ "$(stat -c %u "$lock")" = "$uid" ] || { echo "check-installed: no lock folder $lock" >&2; exit 1; }
rm -rf "$lock"
echo "check-installed: first start made $home/Retenciones/RETENCIONES.FDB and $lock"
