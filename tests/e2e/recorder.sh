#!/usr/bin/env bash
# The recorder end to end, with real components: a local stream served on
# 127.0.0.1, the recorder answering its four questions from a pipe, Debian's
# ffmpeg recording and our taskkill stopping it.
# Usage: recorder.sh <folder holding fitagrav and taskkill>
set -uo pipefail
bin=$(cd "${1:?usage: recorder.sh <build folder>}" && pwd)
work=$(mktemp -d /tmp/fitagrav-e2e.XXXXXX)
port=$((20000 + RANDOM % 20000))
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The stream server runs under another name, so the recorder's
# "taskkill /im ffmpeg.exe" leaves it alone.
cp "$(command -v ffmpeg)" "$work/tone-server"
"$work/tone-server" -loglevel error -re -f lavfi -i "sine=frequency=440:sample_rate=44100" \
  -c:a libmp3lame -b:a 128k -f mp3 -listen 1 "http://127.0.0.1:$port/tom.mp3" \
  < /dev/null > "$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT

restart_server() {  # -listen 1 serves one client, then ends
  kill $server 2>/dev/null; wait $server 2>/dev/null
  "$work/tone-server" -loglevel error -re -f lavfi -i "sine=frequency=440:sample_rate=44100" \
    -c:a libmp3lame -b:a 128k -f mp3 -listen 1 "http://127.0.0.1:$port/tom.mp3" \
    < /dev/null > "$work/server.log" 2>&1 &
  server=$!
  sleep 0.5
}

clock_in() { date -d "@$(( $(date +%s) + $1 ))" +%H:%M:%S; }

duration_of() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" 2>/dev/null; }

# run <case folder> <start offset> <end offset> <output answer>
run_recorder() {
  local dir=$1 start end
  mkdir -p "$dir"
  start=$(clock_in "$2"); end=$(clock_in "$3")
  printf '%s\n%s\n%s\n%s\n' "$start" "$end" "http://127.0.0.1:$port/tom.mp3" "$4" > "$dir/answers"
  (cd "$dir" && OUVINO_CONSOLE=headless OUVINO_SPEECH_LOG="$dir/speech.log" OUVINO_DRIVE_C="$work/c" \
     XDG_CONFIG_HOME="$work/config" timeout 60 "$bin/fitagrav" < answers > screen 2> stderr)
  echo $?
}

no_recorder_ffmpeg_left() {
  local pid
  for pid in $(pgrep -x ffmpeg); do
    grep -qa "127.0.0.1:$port" "/proc/$pid/cmdline" 2>/dev/null && fail "an ffmpeg of the test is still running ($pid)"
  done
}

# 1. A plain name lands in records/, which the recorder creates.
sleep 0.5
status=$(run_recorder "$work/um" 3 8 teste.mp3)
[ "$status" = 0 ] || fail "exit status $status: $(cat "$work/um/stderr")"
for line in "speak Gravador automático de streaming versão0" \
            "speak Informe hora de início (hh:mm:ss):" "speak Informe a hora de término (hh:mm:ss):" \
            "speak Qual o link da fonte" "speak Qual o nome do arquivo de saída" \
            "speak Aguardando início" "speak Programado para as " "speak Iniciando gravação" \
            "speak Enserrando gravação" "speak Operacção terminada."; do
  grep -qF "$line" "$work/um/speech.log" || fail "speech log lacks: $line"
done
d=$(duration_of "$work/um/records/teste.mp3")
echo "recorded duration: ${d:-none} s (asked 5 s)"
awk -v d="${d:-0}" 'BEGIN { exit !(d >= 3.8 && d <= 6.2) }' || fail "duration ${d:-none} is not 5 s ± 1.2 s"
no_recorder_ffmpeg_left

# 2. Full paths on drive c: and on z: are used as given.
mkdir -p "$work/c/gravacoes" "$work/zona"
restart_server
status=$(run_recorder "$work/dois" 2 4 'c:\gravacoes\meu.mp3')
[ "$status" = 0 ] || fail "c: case exit status $status"
[ -s "$work/c/gravacoes/meu.mp3" ] || fail "c:\\gravacoes\\meu.mp3 was not written"
restart_server
status=$(run_recorder "$work/tres" 2 4 "z:${work//\//\\}\\zona\\outro.mp3")
[ "$status" = 0 ] || fail "z: case exit status $status"
[ -s "$work/zona/outro.mp3" ] || fail "z: path was not written"
no_recorder_ffmpeg_left

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
