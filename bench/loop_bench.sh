#!/usr/bin/env bash
# Interpreter speed: a Rotela counting loop (repete / soma / se) with bodies
# of 1, 20 and 100 lines, against dash running the equivalent loop.
# Prints lines per second for both and their ratio, and the cost per line of
# the longer bodies relative to the 1-line body.
# Usage: bench/loop_bench.sh path/to/rotela   (ITERATIONS=n to change the count)
set -euo pipefail
rotela=${1:?usage: loop_bench.sh path/to/rotela}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Loop counts keep each run near two million executed lines.
declare -A iterations=([1]=1000000 [20]=100000 [100]=20000)

body_line() {  # Rotela and dash forms of body line j
  if (( $1 % 2 == 0 )); then echo "soma \$n 1|n=\$((n+1))"; else echo "se i > 0 soma \$m 1|[ \$i -gt 0 ] && m=\$((m+1))"; fi
}

make_scripts() {  # body length, loop count
  local k=$1 count=$2 j
  { echo "repete i $count"; for ((j = 0; j < k; j++)); do body_line $j | cut -d'|' -f1; done
    echo "fim repete"; echo "termina mudo"; } > "$work/loop$k.cmd"
  { echo "i=0; n=0; m=0"; echo "while [ \$i -lt $count ]; do"; echo "i=\$((i+1))"
    for ((j = 0; j < k; j++)); do body_line $j | cut -d'|' -f2; done; echo "done"; } > "$work/loop$k.sh"
}

seconds() {  # command... -> elapsed seconds
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

printf '%-6s %12s %14s %14s %8s %14s\n' body lines rotela_l/s dash_l/s ratio cost/line
base_cost=""
for k in 1 20 100; do
  count=${ITERATIONS:-${iterations[$k]}}
  make_scripts "$k" "$count"
  lines=$(( (k + 1) * count ))
  t_rotela=$(OUVINO_CONSOLE=headless seconds "$rotela" "$work/loop$k.cmd" < /dev/null)
  t_dash=$(seconds dash "$work/loop$k.sh")
  cost=$(echo "$t_rotela / $lines * 1000000000" | bc -l)
  [ -n "$base_cost" ] || base_cost=$cost
  printf '%-6s %12d %14.0f %14.0f %7.2fx %11.1f ns (%.2fx)\n' "$k" "$lines" \
    "$(echo "$lines / $t_rotela" | bc -l)" "$(echo "$lines / $t_dash" | bc -l)" \
    "$(echo "$t_dash / $t_rotela" | bc -l)" "$cost" "$(echo "$cost / $base_cost" | bc -l)"
done
