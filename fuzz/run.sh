#!/usr/bin/env bash
# Runs the validation fuzz target for a while on a copy of the seed corpus.
#
#   fuzz/run.sh BUILD_FOLDER SECONDS [extra libFuzzer arguments...]
#
# BUILD_FOLDER holds validate_fuzz (configured with -DCMAKE_CXX_COMPILER=clang++
# -DMARKWISE_FUZZ=ON). The corpus is copied to a temporary folder, so the seeds in the
# repository stay as they are. Exits 0 when the run ended without a finding; otherwise exits
# non-zero and keeps the temporary folder, whose crash-*, leak-*, timeout-* or oom-* file is
# the input that reproduces the finding (run: BUILD_FOLDER/validate_fuzz FILE).
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 BUILD_FOLDER SECONDS [libFuzzer arguments...]" >&2
    exit 2
fi
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
target="$build/validate_fuzz"
if [[ ! -x "$target" ]]; then
    echo "$0: $target not found; build it with: ninja -C $build validate_fuzz" >&2
    exit 2
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [[ "$seconds" -lt 1 ]]; then
    echo "$0: SECONDS must be a positive whole number, not '$seconds'" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/markwise-fuzz-run.XXXXXX")
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here"/corpus/* "$work/corpus/"

status=0
# The target's log files go to the work folder too.
TMPDIR="$work" "$target" "$work/corpus" \
    -dict="$here/html.dict" \
    -max_total_time="$seconds" \
    -max_len=16384 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" \
    "$@" 2>&1 | tee "$work/fuzz.log" || status=$?

findings=$(find "$work/artifacts" -type f | wc -l)
if [[ $status -ne 0 || $findings -ne 0 ]]; then
    echo "$0: the fuzz run found a problem (exit status $status); inputs and log kept in $work" >&2
    find "$work/artifacts" -type f >&2
    [[ $status -ne 0 ]] || status=1
    exit "$status"
fi
rm -rf "$work"
echo "$0: no finding in $seconds seconds"
