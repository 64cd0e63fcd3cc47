#!/usr/bin/env bash
# Downloads through the whole program against curl, and a re-run that skips what is saved.
#
#   bench/download/run-download-bench.sh [BUILD_DIR] [FILES]
#
# (a) FILES small files (default 1000) from a loopback server: pagemint-batch with TaskThread 10,
#     then "curl --parallel --parallel-max 10" over the same URLs; files per second side by side.
#     The batch figure counts from the crawl's start (the first tick comes one second after it)
#     to the last download.
# (b) the same task again with "Skip files already downloaded" on: no file is requested again
#     (the download record gains no line and no "(n)" copy appears); its time.
# Needs pagemint-batch and pagemint-benchsite built in BUILD_DIR (default build) and curl.
set -euo pipefail

build=${1:-build}
files=${2:-1000}
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 2; }

# shellcheck source=../benchsetup.sh
. "$(dirname "$0")/../benchsetup.sh"

"$benchsite" files "$files" >"$work/site.out" &
site_pid=$!
port=""
for _ in $(seq 1 200); do
  port=$(awk '/^PORT/ {print $2}' "$work/site.out")
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || { echo "the site server did not start" >&2; exit 1; }

folder="$work/prog"
dir="$folder/Task/files"
mkdir -p "$dir/Images" "$dir/Flashes" "$dir/Downloads"
printf '%s\r\n' "[General]" "TaskName=files" "TaskDir=$dir" "TaskThread=10" "check1=0" "check2=0" \
  "check3=0" "check4=1" "check5=0" "[URL]" "StartURL=http://127.0.0.1:$port/files/index.html" \
  "ManualBool=0" "FollowedLink=0" "PageLocation=1" "TextinSearch=" "TextInDownload=" "[Output]" \
  "ImageLinkBool=0" "DownloadExt=zip" "LinksText=" "SkipDownloaded=1" >"$dir/settings.ini"

# run_batch LABEL: one run of the task; prints its seconds from start to the last download.
run_batch() {
  "$batch" --program-folder "$folder" files >"$work/$1.out" 2>"$work/$1.err" \
    || { echo "pagemint-batch failed:" >&2; cat "$work/$1.err" >&2; exit 1; }
  grep 'Task files: ' "$work/$1.err" | grep -v 'failed downloads' | tail -1 |
    sed -E 's/.*crawl ([0-9.]+) s, downloads done ([0-9.]+) s later.*/\1 \2/' | awk '{print $1 + $2}'
}

echo "== (a) $files small files, 10 at a time"
batch_s=$(run_batch first)
got=$(find "$dir/Downloads" -type f | wc -l)
lines=$(wc -l <"$dir/downloads.log")

: >"$work/urls.txt"
for ((i = 0; i < files; ++i)); do
  printf 'url = "http://127.0.0.1:%s/files/f%04d.zip"\noutput = "%s/curl/f%04d.zip"\n' "$port" "$i" "$work" "$i" >>"$work/urls.txt"
done
mkdir -p "$work/curl"
curl_start=$(date +%s.%N)
curl --silent --parallel --parallel-max 10 --config "$work/urls.txt" 2>/dev/null
curl_end=$(date +%s.%N)
curl_got=$(find "$work/curl" -type f | wc -l)

awk -v n="$got" -v s="$batch_s" -v cn="$curl_got" -v cs="$curl_start" -v ce="$curl_end" '
  BEGIN {
    ours = n / s; theirs = cn / (ce - cs)
    printf "pagemint-batch (TaskThread 10): %d files in %.2f s: %.1f files/s\n", n, s, ours
    printf "curl --parallel --parallel-max 10: %d files in %.2f s: %.1f files/s\n", cn, ce - cs, theirs
    printf "pagemint-batch reaches %.0f %% of curl'"'"'s files per second\n", 100 * ours / theirs
  }'

echo
echo "== (b) the same task again, \"Skip files already downloaded\" on"
start=$(date +%s.%N)
rerun_s=$(run_batch again)
end=$(date +%s.%N)
after=$(find "$dir/Downloads" -type f | wc -l)
lines_after=$(wc -l <"$dir/downloads.log")
awk -v s="$rerun_s" -v w1="$start" -v w2="$end" -v f="$after" -v l1="$lines" -v l2="$lines_after" '
  BEGIN {
    printf "re-run: crawl and downloads %.2f s (%.2f s with start-up); files in the folder %d; record lines %d -> %d (new requests: %d)\n", s, w2 - w1, f, l1, l2, l2 - l1
  }'
grep 'failed downloads' "$work/again.err" || true
