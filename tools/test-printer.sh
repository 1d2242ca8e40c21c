#!/usr/bin/env bash
# A printer for the printing tests: "start" runs a CUPS scheduler (unless one runs already)
# with a cups-pdf queue as the default printer; "stop" removes the queue, gives the default back
# and stops the scheduler if "start" started it. cups-pdf writes each job as a PDF file into
# the folder its /etc/cups/cups-pdf.conf names ("Out", by default ~/PDF of the printing user).
set -euo pipefail

queue=ZelvanorPDF
state="${TMPDIR:-/tmp}/zelvanor-test-printer"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

running() { lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }

case "${1:-}" in
start)
  mkdir -p "$state"
  if ! running; then
    $sudo cupsd -f &
    echo $! >"$state/cupsd.pid"
    for _ in $(seq 1 200); do
      running && break
      sleep 0.1
    done
    running || { echo "the CUPS scheduler did not start" >&2; exit 1; }
  fi
  lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p' >"$state/previous-default"
  $sudo lpadmin -p "$queue" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  $sudo lpadmin -d "$queue"
  echo "default printer: $(lpstat -d)"
  ;;
stop)
  $sudo lpadmin -x "$queue" 2>/dev/null || true
  previous="$(cat "$state/previous-default" 2>/dev/null || true)"
  [ -n "$previous" ] && $sudo lpadmin -d "$previous" 2>/dev/null || true
  if [ -f "$state/cupsd.pid" ]; then
    pid="$(cat "$state/cupsd.pid")"
    kill "$pid" 2>/dev/null || $sudo kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$state/cupsd.pid"
  fi
  rm -f "$state/previous-default"
  ;;
*)
  echo "usage: $0 start|stop" >&2
  exit 2
  ;;
esac
