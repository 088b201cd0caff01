#!/usr/bin/env bash
# The console front end end to end: generated files loaded and listed, and
# every bad argument refused with a message that names it.
source "$(dirname "$0")/common.sh"

# expect_error CODE PATTERN ARGS...: exit status CODE and PATTERN on stderr.
expect_error() {
  local code=$1 pattern=$2
  shift 2
  "$bin/kestrom-cli" "$@" > "$work/out" 2> "$work/err"
  local rc=$?
  [ "$rc" -eq "$code" ] || fail "kestrom-cli $*: exit $rc, expected $code"
  grep -q -- "$pattern" "$work/err" || fail "kestrom-cli $*: no '$pattern' in: $(cat "$work/err")"
}

mkdir -p "$work/ama" "$work/db"
cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$work/db/"
"$bin/amagen" --out "$work/ama" --exchange i3962 --from 2006-10-08 --days 3 --records 300 \
  --quiet > /dev/null || fail "amagen"

# A load of two of the three days, every call kept.
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 --all-calls \
  --db-dir "$work/db" > "$work/load.out" 2> "$work/load.err" || fail "load: $(cat "$work/load.err")"
last=$(tail -n 1 "$work/load.out")
[[ "$last" =~ ^Загружено:\ [0-9]+\ записей\.$ ]] || fail "load output: $last"
rows=$(echo "$last" | tr -dc 0-9)
[ "$rows" -gt 300 ] || fail "load stored $rows rows"

# Only successful calls by default, and a number filter narrows further.
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 \
  --db-dir "$work/db" > "$work/ok.out" 2>/dev/null || fail "load of successful calls"
successful=$(tail -n 1 "$work/ok.out" | tr -dc 0-9)
[ "$successful" -lt "$rows" ] && [ "$successful" -gt 0 ] || fail "successful $successful of $rows"

"$bin/kestrom-cli" query --db-dir "$work/db" --columns Номер_А,Дата_иниц,Прод_мс \
  --out "$work/result.csv" || fail "query"
head -n 1 "$work/result.csv" | grep -q $'^Номер_А,Дата_иниц,Прод_мс\r$' ||
  fail "csv header: $(head -n 1 "$work/result.csv")"
[ "$(wc -l < "$work/result.csv")" -gt 1 ] || fail "csv has no rows"

expect_error 2 "--a" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 --a foo:1
expect_error 2 "--from" load --ama-dir "$work/ama" --from 2006-13-08 --to 2006-10-09
expect_error 2 "--ama-dir" load --ama-dir "$work/none" --from 2006-10-08 --to 2006-10-09
expect_error 2 "--db-dir" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 \
  --db-dir "$work/none"
expect_error 2 "--in-tg" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 \
  --in-tg 40000
expect_error 2 "--time-from" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 \
  --time-from 25:00:00
# Signs are no digits: none of these is a time of the day, and the usage follows.
for t in -1:00:00 -9:-9:-9 +1:00:00 " 1:00:00" 23:59:60; do
  expect_error 2 "--time-to: ожидается время ЧЧ:ММ:СС: $t" load --ama-dir "$work/ama" \
    --from 2006-10-08 --to 2006-10-09 --time-to "$t"
  grep -q "Использование:" "$work/err" || fail "--time-to $t: no usage line"
done
expect_error 2 "--from" load --ama-dir "$work/ama" --from -001-10-08 --to 2006-10-09
expect_error 1 "Дата окончания периода раньше даты начала!" load --ama-dir "$work/ama" \
  --from 2006-10-09 --to 2006-10-08 --db-dir "$work/db"
expect_error 2 "--columns" query --db-dir "$work/db" --columns Номер_А,Нет_такого
expect_error 2 "--format" query --db-dir "$work/db" --format xml
expect_error 2 "неизвестная команда" frobnicate

# A file name that is not UTF-8 still gives valid JSON: the stray byte is escaped.
odd="$work/ama/$(printf 'i3962\xff20061008.ama')"
cp "$(ls "$work"/ama/*.ama | head -n 1)" "$odd"
"$bin/kestrom-cli" decode "$odd" > "$work/odd.jsonl" 2> "$work/err" || fail "decode of $odd"
[ -s "$work/odd.jsonl" ] || fail "decode of a non-UTF-8 name gave no lines"
LC_ALL=C grep -q $'\xff' "$work/odd.jsonl" && fail "a raw 0xff byte in the JSON lines"
grep -q 'i3962\\u00ff20061008.ama' "$work/odd.jsonl" || fail "the 0xff byte is not escaped: $(head -c 200 "$work/odd.jsonl")"
if command -v python3 > /dev/null; then
  python3 -c 'import json,sys; [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]' \
    "$work/odd.jsonl" || fail "the JSON lines do not parse"
fi
rm -f "$odd"

[ "$failures" -eq 0 ] && echo "all console checks passed"
exit "$failures"
