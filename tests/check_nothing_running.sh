#!/usr/bin/env bash
# Runs after every other test: nothing the suite started is still running
# (a test, the program, a helper, a bus daemon). Such a process runs a file
# of this build or has the XDG folders CTest gives each test below it.
# Usage: check_nothing_running.sh BUILD_DIR
build=$1
for _ in $(seq 20); do
  left=$({ grep -zlsE "^(XDG_RUNTIME_DIR|XDG_CONFIG_HOME)=$build/" /proc/[0-9]*/environ
           find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$build/*"; } 2>/dev/null |
         cut -d/ -f3 | sort -u | grep -vx "$$")
  [ -z "$left" ] && exit 0
  sleep 0.5
done
for pid in $left; do
  echo "still running: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
done
exit 1
