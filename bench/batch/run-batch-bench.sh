#!/usr/bin/env bash
# Whole-program benchmarks of pagemint-batch over generated sites on 127.0.0.1.
#
#   bench/batch/run-batch-bench.sh [BUILD_DIR] [PAGES] [FILES]     (FILES 0 skips (b))
#
# (a) crawl: a FollowedLink 3 crawl of a PAGES-page site (default 500), pages per second, side
#     by side with "wget -r -l 4 -np" over the same site, and the time per page spent outside
#     the browser's own loading (snapshot, link following, extractors);
# (b) downloads: one page that queues FILES small files (default 1000) with TaskThread 10,
#     files per second against the scheduler's bound of TaskThread starts per one-second tick;
# (c) peak memory of both runs: the runner's own maximum resident set size (/usr/bin/time -v)
#     and the sampled peak of its whole process tree (the browser engine's helper processes).
# Needs the targets pagemint-batch and pagemint-benchsite built in BUILD_DIR (default build).
set -euo pipefail

build=${1:-build}
pages=${2:-500}
files=${3:-1000}
command -v wget >/dev/null || { echo "wget is needed" >&2; exit 2; }

# shellcheck source=../benchsetup.sh
. "$(dirname "$0")/../benchsetup.sh"

# start_site MODE COUNT: serves the site in the background and sets $port.
start_site() {
  "$benchsite" "$1" "$2" >"$work/site.out" &
  site_pid=$!
  for _ in $(seq 1 200); do
    port=$(awk '/^PORT/ {print $2}' "$work/site.out")
    [ -n "$port" ] && return 0
    sleep 0.05
  done
  echo "the site server did not start" >&2
  exit 1
}

stop_site() {
  kill "$site_pid" && wait "$site_pid" || true
  site_pid=""
}

# write_task FOLDER NAME START_URL FOLLOWED THREADS TEXT IMAGES DOWNLOADS LINKS DOWNLOAD_EXT
write_task() {
  local dir="$1/Task/$2"
  mkdir -p "$dir/Images" "$dir/Flashes" "$dir/Downloads"
  printf '%s\r\n' "[General]" "TaskName=$2" "TaskDir=$dir" "TaskThread=$5" "check1=$6" \
    "check2=$7" "check3=0" "check4=$8" "check5=$9" "[URL]" "StartURL=$3" "ManualBool=0" \
    "FollowedLink=$4" "PageLocation=1" "TextinSearch=" "TextInDownload=" \
    "OutText00=Price:" "OutText01=" "OutText02=USD" "[Output]" "ImageLinkBool=0" \
    "DownloadExt=${10}" "LinksText=" >"$dir/settings.ini"
}

# tree_rss PID: resident set size in kB of PID and all its descendants.
tree_rss() {
  ps -eo pid=,ppid=,rss= | awk -v root="$1" '
    { parent[$1] = $2; rss[$1] = $3 }
    END {
      inside[root] = 1
      do { changed = 0
           for (p in parent) if (!(p in inside) && (parent[p] in inside)) { inside[p] = 1; changed = 1 }
      } while (changed)
      for (p in inside) total += rss[p]
      print total + 0
    }'
}

# run_batch FOLDER TASK LABEL: runs the task under /usr/bin/time -v while sampling the tree's RSS.
run_batch() {
  local folder=$1 task=$2 label=$3
  PAGEMINT_BATCH_TIMING=1 /usr/bin/time -v -o "$work/$label.time" \
    "$batch" --program-folder "$folder" "$task" >"$work/$label.out" 2>"$work/$label.err" &
  local pid=$! peak=0 now
  while kill -0 "$pid" 2>/dev/null; do
    now=$(tree_rss "$pid")
    [ "$now" -gt "$peak" ] && peak=$now
    sleep 0.2
  done
  wait "$pid" || { echo "pagemint-batch failed:"; cat "$work/$label.err"; exit 1; }
  echo "$peak" >"$work/$label.treerss"
}

wall_seconds() { awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + t[i]; print s}' "$1"; }
max_rss() { awk -F': ' '/Maximum resident set size/ {print $2}' "$1"; }

echo "== (a) crawl: FollowedLink 3 over a $pages-page site"
start_site crawl "$pages"
folder="$work/crawl"
write_task "$folder" crawl "http://127.0.0.1:$port/p/0.html" 3 3 1 0 0 1 ""
run_batch "$folder" crawl crawl
summary=$(grep 'Task crawl: ' "$work/crawl.err" | tail -1)
timing=$(grep 'Task crawl timing:' "$work/crawl.err" | tail -1)
crawled=$(sed -E 's/.*, ([0-9]+) pages,.*/\1/' <<<"$summary")
crawl_ms=$(sed -E 's/.*crawl ([0-9.]+) ms.*/\1/' <<<"$timing")
outside_ms=$(sed -E 's/.*, ([0-9.]+) ms per page.*/\1/' <<<"$timing")
mkdir -p "$work/wget"
wget_start=$(date +%s.%N)
(cd "$work/wget" && wget -r -l 4 -np -q "http://127.0.0.1:$port/p/0.html") || true
wget_end=$(date +%s.%N)
stop_site
wget_pages=$(find "$work/wget" -name '*.html' | wc -l)
awk -v p="$crawled" -v ms="$crawl_ms" -v wp="$wget_pages" -v ws="$wget_start" -v we="$wget_end" \
    -v out="$outside_ms" -v wall="$(wall_seconds "$work/crawl.time")" '
  BEGIN {
    ours = p / (ms / 1000); theirs = wp / (we - ws)
    printf "pagemint-batch: %d pages in %.1f s of crawl (%.1f s wall with start-up): %.1f pages/s\n", p, ms / 1000, wall, ours
    printf "wget -r -l 4 -np: %d pages in %.2f s: %.1f pages/s\n", wp, we - ws, theirs
    printf "ratio wget / pagemint-batch: %.1f\n", theirs / ours
    printf "outside the browser'"'"'s loading (snapshot, link following, extractors): %s ms per page\n", out
  }'
echo "peak RSS: pagemint-batch $(max_rss "$work/crawl.time") kB, with its helper processes $(cat "$work/crawl.treerss") kB"
echo "runner: $summary"

[ "$files" -gt 0 ] || exit 0
echo
echo "== (b) downloads: $files small files, TaskThread 10"
start_site files "$files"
folder="$work/files"
write_task "$folder" files "http://127.0.0.1:$port/files/index.html" 0 10 0 0 1 0 "zip"
run_batch "$folder" files files
stop_site
summary=$(grep 'Task files: ' "$work/files.err" | tail -1)
crawl_s=$(sed -E 's/.*crawl ([0-9.]+) s,.*/\1/' <<<"$summary")
wait_s=$(sed -E 's/.*downloads done ([0-9.]+) s later.*/\1/' <<<"$summary")
got=$(find "$folder/Task/files/Downloads" -type f | wc -l)
awk -v n="$got" -v c="$crawl_s" -v w="$wait_s" '
  BEGIN {
    printf "%d files downloaded in %.1f s (crawl %.1f s + %.1f s after it): %.2f files/s; bound: 10 starts per tick = 10 files/s\n", n, c + w, c, w, n / (c + w)
  }'
echo "peak RSS: pagemint-batch $(max_rss "$work/files.time") kB, with its helper processes $(cat "$work/files.treerss") kB"
echo "runner: $summary"
