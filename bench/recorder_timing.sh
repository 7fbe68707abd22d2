#!/usr/bin/env bash
# Recorder timing: how late the recording starts and stops against the
# times asked.  A stand-in ffmpeg notes when it was started and when it was
# told to stop; the recorder runs 20 times with its wait crossing a minute
# boundary and once across midnight, under libfaketime so that no run has
# to wait for the real clock.  Prints p50, p95 and max of both errors.
# Usage: bench/recorder_timing.sh <build folder>   (RUNS=n for fewer runs)
set -uo pipefail
bin=$(cd "${1:?usage: recorder_timing.sh <build folder>}" && pwd)
standin_dir="$bin/bench/standin"
faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
[ -x "$standin_dir/ffmpeg" ] || { echo "build the standin_ffmpeg target first"; exit 1; }
[ -f "$faketime_lib" ] || { echo "libfaketime is missing (scripts/deps installs it)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-20}

# one_run <fake date of the boundary, "YYYY-MM-DD HH:MM:SS"> <label>
one_run() {
  local boundary asked_start asked_end offset dir=$work/$2
  boundary=$(date -d "$1" +%s)
  offset=$(( boundary - 3 - $(date +%s) ))       # the fake clock starts 3 s before the boundary
  asked_start=$((boundary - 1)); asked_end=$((boundary + 1))
  mkdir -p "$dir/records"
  printf '%s\n%s\n%s\n%s\n' "$(date -d "@$asked_start" +%H:%M:%S)" "$(date -d "@$asked_end" +%H:%M:%S)" \
    "http://127.0.0.1:9/nada" "marcas.txt" > "$dir/answers"
  (cd "$dir" && LD_PRELOAD=$faketime_lib FAKETIME="$(printf %+d $offset)" \
     PATH="$standin_dir:$PATH" OUVINO_CONSOLE=headless timeout 30 "$bin/fitagrav" < answers > /dev/null 2>&1) &
  local pid=$! waited=0
  until grep -q '^stop' "$dir/records/marcas.txt" 2>/dev/null || [ $waited -ge 150 ]; do
    sleep 0.1; waited=$((waited + 1))
  done
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  local started stopped
  started=$(awk '/^start/ {print $2}' "$dir/records/marcas.txt" 2>/dev/null)
  stopped=$(awk '/^stop/ {print $2}' "$dir/records/marcas.txt" 2>/dev/null)
  if [ -z "$started" ] || [ -z "$stopped" ]; then echo "missed"; return; fi
  echo "$(echo "$started - $asked_start" | bc -l) $(echo "$stopped - $asked_end" | bc -l)"
}

percentiles() {  # stdin: numbers -> "p50 p95 max"
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) { print "- - -"; exit }
    i50 = int(0.5 * NR + 0.5); i95 = int(0.95 * NR + 0.5); if (i50 < 1) i50 = 1; if (i95 < 1) i95 = 1
    printf "%.3f %.3f %.3f\n", v[i50], v[i95], v[NR] }'
}

results=()
for ((i = 1; i <= runs; i++)); do
  results+=("$(one_run "2026-12-11 10:$(printf %02d $i):00" "minuto$i")")
done
midnight=$(one_run "2026-12-12 00:00:00" meianoite)
results+=("$midnight")

missed=$(printf '%s\n' "${results[@]}" | grep -c missed)
printf '%s\n' "${results[@]}" | grep -v missed > "$work/errors"
echo "runs: ${#results[@]}, missed: $missed (midnight run: $midnight)"
printf '%-12s %8s %8s %8s\n' error p50 p95 max
printf '%-12s %8s %8s %8s\n' "start (s)" $(awk '{print $1}' "$work/errors" | percentiles)
printf '%-12s %8s %8s %8s\n' "stop (s)" $(awk '{print $2}' "$work/errors" | percentiles)
