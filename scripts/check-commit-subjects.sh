#!/usr/bin/env bash
# Commit subjects are at most 72 characters (they are shown whole by `git log --oneline`, in
# shortlogs and in mail). Checks every commit after the one where the rule began, or the
# subjects given on standard input with --stdin (the commit-msg hook uses that).
# A checkout without history (an archive, a shallow clone) has nothing to check.
set -euo pipefail
export LC_ALL=C.UTF-8
cd "$(dirname "$0")/.."

limit=72
# The last commit written before the rule was kept; later ones all follow it.
since=2aeb28d

check() {
  # Lines of "commit<TAB>subject"; bash counts characters, not bytes, in a UTF-8 locale.
  local commit subject bad=0
  while IFS=$'\t' read -r commit subject; do
    if [ "${#subject}" -gt "$limit" ]; then
      echo "$commit: subject of ${#subject} characters (at most $limit): $subject"
      bad=1
    fi
  done
  return "$bad"
}

if [ "${1:-}" = --stdin ]; then
  # The hook hands over the message; its first line that is not a comment is the subject.
  grep -v '^#' | sed -n '/./{s/^/new commit\t/;p;q}' | check
  exit
fi

if ! git rev-parse --git-dir >/dev/null 2>&1 || ! git cat-file -e "$since^{commit}" 2>/dev/null; then
  echo "check-commit-subjects: no history to check"
  exit 0
fi
git log --format='%h%x09%s' "$since..HEAD" | check
