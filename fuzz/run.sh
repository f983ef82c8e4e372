#!/usr/bin/env bash
# Runs a fuzz target for a while on a copy of its seed corpus.
#
#   fuzz/run.sh BUILD_FOLDER SECONDS [TARGET] [extra libFuzzer arguments...]
#
# TARGET is validate_fuzz (the default; seeds in fuzz/corpus), cfg_load_fuzz (seeds in
# fuzz/cfg_corpus), text_tools_fuzz (the text tools, on the HTML seeds of fuzz/corpus),
# template_fuzz (the template tool, seeds in fuzz/template_corpus), text_form_fuzz (the text
# form of the HTML Configuration, seeds in fuzz/text_form_corpus), settings_fuzz (the settings
# file and the options kept in it, seeds in fuzz/settings_corpus) or project_settings_fuzz
# (markwise-check's project settings file, seeds in fuzz/project_settings_corpus);
# FUZZ_TARGET=NAME chooses it too when no TARGET argument is given.
# BUILD_FOLDER holds the target (configured with -DCMAKE_CXX_COMPILER=clang++
# -DMARKWISE_FUZZ=ON). The corpus is copied to a temporary folder, so the seeds in the
# repository stay as they are. Exits 0 when the run ended without a finding; otherwise exits
# non-zero and keeps the temporary folder, whose crash-*, leak-*, timeout-* or oom-* file is
# the input that reproduces the finding (run: BUILD_FOLDER/TARGET FILE).
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 BUILD_FOLDER SECONDS [TARGET] [libFuzzer arguments...]" >&2
    exit 2
fi
build=$1
seconds=$2
shift 2
name=${FUZZ_TARGET:-validate_fuzz}
if [[ $# -gt 0 && $1 != -* ]]; then
    name=$1
    shift
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Each target's seeds, dictionary and largest input.
case "$name" in
    validate_fuzz) corpus=corpus dict=(-dict="$here/html.dict") max_len=16384 ;;
    cfg_load_fuzz) corpus=cfg_corpus dict=() max_len=8192 ;;
    text_tools_fuzz) corpus=corpus dict=(-dict="$here/html.dict") max_len=16384 ;;
    template_fuzz) corpus=template_corpus dict=(-dict="$here/template.dict") max_len=4096 ;;
    text_form_fuzz) corpus=text_form_corpus dict=(-dict="$here/text_form.dict") max_len=16384 ;;
    settings_fuzz) corpus=settings_corpus dict=(-dict="$here/settings.dict") max_len=8192 ;;
    project_settings_fuzz) corpus=project_settings_corpus dict=(-dict="$here/settings.dict") max_len=4096 ;;
    *)
        echo "$0: unknown fuzz target '$name' (validate_fuzz, cfg_load_fuzz, text_tools_fuzz," \
            "template_fuzz, text_form_fuzz, settings_fuzz or project_settings_fuzz)" >&2
        exit 2
        ;;
esac
target="$build/$name"
if [[ ! -x "$target" ]]; then
    echo "$0: $target not found; build it with: ninja -C $build $name" >&2
    exit 2
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [[ "$seconds" -lt 1 ]]; then
    echo "$0: SECONDS must be a positive whole number, not '$seconds'" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/markwise-fuzz-run.XXXXXX")
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here/$corpus"/* "$work/corpus/"

status=0
# The target's log files go to the work folder too.
TMPDIR="$work" "$target" "$work/corpus" \
    ${dict[@]+"${dict[@]}"} \
    -max_total_time="$seconds" \
    -max_len="$max_len" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" \
    "$@" 2>&1 | tee "$work/fuzz.log" || status=$?

findings=$(find "$work/artifacts" -type f | wc -l)
if [[ $status -ne 0 || $findings -ne 0 ]]; then
    echo "$0: the $name run found a problem (exit status $status); inputs and log kept in $work" >&2
    find "$work/artifacts" -type f >&2
    [[ $status -ne 0 ]] || status=1
    exit "$status"
fi
rm -rf "$work"
echo "$0: $name: no finding in $seconds seconds"
