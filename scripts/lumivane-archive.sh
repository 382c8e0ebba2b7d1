#!/usr/bin/env bash
# Corrects an archive of pictures on more machines than one. `lumivane-cli apply` is a pure function of the profile
# and the picture, so the archive is simply shared out: this script runs it, one picture per job, through GNU
# parallel (on this machine, or over hosts with -S), or takes one share of the list for a Slurm job array or a
# Kubernetes indexed Job. The results are those `lumivane-cli apply ... --out-dir DIR` gives, byte for byte.
#
# usage: lumivane-archive.sh [-j JOBS] [-S LOGINS] [--share INDEX/COUNT] OUT_DIR [APPLY OPTIONS...] < LIST
#
#   LIST            the pictures, one path a line, on storage every host sees at the same path (OUT_DIR too)
#   -j JOBS         jobs at once on each host (default: one per core)
#   -S LOGINS       GNU parallel's --sshlogin, e.g. 8/scan1,8/scan2,: ("" for this machine alone)
#   --share I/N     no GNU parallel: do the lines whose number (from 0) leaves I when divided by N, e.g.
#                   --share "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT" or --share "$JOB_COMPLETION_INDEX/20"
#   APPLY OPTIONS   passed to every `lumivane-cli apply` (--profile FILE.qmx, --set KEY=VALUE, --format F, ...)
#
# LUMIVANE_CLI names the program (default: lumivane-cli on the PATH). Exit status: 0 when every picture was written,
# 1 when one failed (each failure is reported on stderr), 2 for a usage error.
set -uo pipefail

jobs=0
logins=""
share=""
while [ $# -gt 0 ]; do
  case "$1" in
    -j) jobs="$2"; shift 2 ;;
    -S) logins="$2"; shift 2 ;;
    --share) share="$2"; shift 2 ;;
    --) shift; break ;;
    -*) echo "lumivane-archive: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: lumivane-archive.sh [-j JOBS] [-S LOGINS] [--share INDEX/COUNT] OUT_DIR [APPLY OPTIONS...] < LIST" >&2
  exit 2
fi
out_dir="$1"
shift
cli="${LUMIVANE_CLI:-lumivane-cli}"
mkdir -p "$out_dir" || exit 1

if [ -n "$share" ]; then
  index="${share%/*}"
  count="${share#*/}"
  if ! [[ "$index" =~ ^[0-9]+$ && "$count" =~ ^[0-9]+$ ]] || [ "$count" -lt 1 ] || [ "$index" -ge "$count" ]; then
    echo "lumivane-archive: --share takes INDEX/COUNT with 0 <= INDEX < COUNT, not $share" >&2
    exit 2
  fi
  mapfile -t mine < <(awk -v i="$index" -v n="$count" 'NF && (NR - 1) % n == i')
  [ ${#mine[@]} -eq 0 ] && exit 0
  # One apply over the whole share: it shares the work among this machine's cores itself.
  "$cli" apply "$@" --out-dir "$out_dir" -- "${mine[@]}"
  exit $?
fi

command -v parallel >/dev/null || { echo "lumivane-archive: GNU parallel is not installed" >&2; exit 1; }
options=(--will-cite --halt never -q)
[ "$jobs" != 0 ] && options+=(--jobs "$jobs")
[ -n "$logins" ] && options+=(--sshlogin "$logins")
# -q quotes every word of the command, so names with blanks or quotes reach the remote shell intact. Each job does
# one picture on one core: the cores are GNU parallel's to share.
parallel "${options[@]}" "$cli" apply "$@" --jobs 1 --out-dir "$out_dir" -- {}
[ $? -eq 0 ] || exit 1
