#!/usr/bin/env bash
# A private print service, to try "harumoka --print" without a printer and
# for the tests: cupsd with its own socket, spool, state and logs in FOLDER
# (nothing of the system's print service is used or changed), and a PDF
# printer QUEUE (cups-pdf) that writes each job to FOLDER/out as
# "<name>-job_<number>.pdf". The page log FOLDER/log/page_log lists each job
# with its name. Needs root: cups-pdf runs as root and reads its settings from
# /etc/cups/cups-pdf-QUEUE.conf, which stop removes again. The packages come
# from "scripts/deps.sh test".
# Usage: eval "$(scripts/print_service.sh start FOLDER [QUEUE])"   (sets CUPS_SERVER)
#        harumoka --print --printer QUEUE --kind 11 3年2組.txt
#        scripts/print_service.sh stop FOLDER
set -euo pipefail
usage="usage: scripts/print_service.sh start FOLDER [QUEUE] | stop FOLDER"
command=${1:?$usage}
dir=${2:?$usage}
case $command in
  start)
    queue=${3:-harumoka-pdf}
    [ "$(id -u)" -eq 0 ] || { echo "cups-pdf needs root (its settings are in /etc/cups)" >&2; exit 1; }
    command -v cupsd >/dev/null && [ -x /usr/lib/cups/backend/cups-pdf ] \
      || { echo "cupsd or cups-pdf is missing: scripts/deps.sh test" >&2; exit 1; }
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    # The filters run as the user lp: the folders on the way must be open to it.
    chmod 755 "$dir"
    mkdir -p "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" "$dir/cups-pdf"
    cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
Printcap $dir/printcap
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup root
CONF
    # Label 2: every file ends in -job_<number>, whatever its name.
    printf 'Out %s\nAnonDirName %s\nSpool %s\nLog %s\nLabel 2\n' \
      "$dir/out" "$dir/out" "$dir/cups-pdf" "$dir/log" >"/etc/cups/cups-pdf-$queue.conf"
    echo "$queue" >"$dir/queue"
    setsid cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid"
    export CUPS_SERVER=$dir/cups.sock
    # Asked until it answers (lpstat -r exits 0 either way: its words tell);
    # a loaded machine may take many seconds.
    running() { lpstat -r 2>/dev/null | grep -q "is running"; }
    for _ in $(seq 600); do running && break; kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break; sleep 0.1; done
    running || { echo "cupsd did not start:" >&2; cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null; exit 1; }
    # The driver's PPD is the way cups-pdf is set up (lpadmin calls drivers
    # deprecated: that warning alone is left out of what is said).
    for _ in $(seq 20); do
      lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>"$dir/log/lpadmin.err" \
        && lpstat -p "$queue" >/dev/null 2>&1 && break
      sleep 0.5
    done
    lpstat -p "$queue" >/dev/null 2>&1 \
      || { echo "the queue $queue could not be made:" >&2; grep -v -i deprecated "$dir/log/lpadmin.err" >&2; exit 1; }
    echo "export CUPS_SERVER='$dir/cups.sock'"
    ;;
  stop)
    if [ -f "$dir/cupsd.pid" ]; then
      pid=$(cat "$dir/cupsd.pid")
      kill "$pid" 2>/dev/null || true
      # Gone before the caller removes the folder it writes in.
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    [ -f "$dir/queue" ] && rm -f "/etc/cups/cups-pdf-$(cat "$dir/queue").conf"
    rm -f "$dir/cupsd.pid"
    ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
