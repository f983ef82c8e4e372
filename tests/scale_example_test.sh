#!/usr/bin/env bash
# The sharding example of docs/scale.md: shards checked by separate processes and merged give
# the JSON document one run over the whole list gives.
#   tests/scale_example_test.sh MARKWISE_CHECK SOURCE_DIR
set -euo pipefail
check=$1 source=$2
command -v python3 > /dev/null || { echo "python3 is not installed: skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p site/news
for i in $(seq 1 23); do
  case $((i % 3)) in
    0) printf '<!DOCTYPE html>\n<html lang="en"><head><title>%s</title></head><body><p>ok %s</p></body></html>\n' "$i" "$i" ;;
    1) printf '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">\n<html><head><title>T</title></head><body><center>%s</center></body></html>\n' "$i" ;;
    2) printf '<p>unclosed <b>%s\n' "$i" ;;
  esac > "site/news/page$i.html"
done
find site -name '*.html' | sort > pages.txt
status=0
MARKWISE_CHECK=$check "$source/docs/examples/check-shards" pages.txt 4 merged.json \
  --no-settings --profile auto || status=$?
[[ $status -eq 1 ]] || { echo "shards ended with $status, not 1" >&2; exit 1; }
single=0
"$check" --no-settings --profile auto --format json --files-from pages.txt > single.json || single=$?
[[ $single -eq $status ]] || { echo "one run ended with $single, the shards with $status" >&2; exit 1; }
python3 - <<'PY'
import json, sys
merged = json.load(open("merged.json"))
single = json.load(open("single.json"))
if merged != single:
    sys.exit("the merged shards differ from one run")
if len(single["files"]) != 23:
    sys.exit("expected 23 files, found %d" % len(single["files"]))
PY
echo "scale example: ok"
