#!/usr/bin/env bash
# kestrom-cli stats over generated days: the JSON figures are compared with
# figures python3 counts from the CSV that kestrom-cli query writes of the
# same rows, with and without --where; the CSV form and --out are checked
# against the JSON; wrong arguments are usage errors.
source "$(dirname "$0")/common.sh"

mkdir -p "$work/ama" "$work/db"
cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$work/db/"
# Failure texts that JSON must escape: quotes, a backslash, a line break and
# a control character, and bytes that are no UTF-8.
python3 - "$work/db/failurestr.db" << 'EOF' || fail "failure texts"
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE failurestr SET failurestr = ? WHERE FailureCod = 3",
           ('Занятость "аб."\\ \n\x01',))
db.execute("UPDATE failurestr SET failurestr = CAST(? AS TEXT) WHERE FailureCod = 2",
           (b"\xff\xfe N\xe2",))
db.commit()
EOF
"$bin/amagen" --out "$work/ama" --exchange i3962 --from 2006-10-08 --days 3 --records 600 \
  --quiet > /dev/null || fail "amagen"
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-10 --all-calls \
  --db-dir "$work/db" > /dev/null 2> "$work/load.err" || fail "load: $(cat "$work/load.err")"

cli() { "$bin/kestrom-cli" "$1" --db-dir "$work/db" "${@:2}"; }

# compare NAME JSON CSV: the figures of the JSON against those counted from
# the query's CSV (columns Дата_иниц, Время_иниц, Прод_мс, Номер_Б, Номер_А,
# Ошибка).
compare() {
  python3 - "$@" << 'EOF'
import collections, csv, json, sys

name, json_path, csv_path = sys.argv[1:4]
with open(json_path, encoding="utf-8") as f:
    got = json.load(f)
with open(csv_path, encoding="utf-8", errors="surrogateescape", newline="") as f:
    rows = list(csv.DictReader(f))
with open(csv_path + ".count", "w") as f:
    print(len(rows), file=f)
# A byte that is no UTF-8 reads as U+DCxx here and is written as \u00xx in JSON.
def as_json(text):
    return "".join(chr(ord(c) - 0xDC00) if 0xDC80 <= ord(c) <= 0xDCFF else c for c in text)
problems = []
def check(what, actual, expected):
    if actual != expected:
        problems.append(f"{what}: {actual!r}, expected {expected!r}")

days, minutes, hours = collections.Counter(), collections.Counter(), [0] * 24
buckets, failures, numbers_b = [0] * 5, collections.Counter(), collections.Counter()
without = 0
for r in rows:
    ms = r["Прод_мс"]
    if ms != "":
        buckets[sum(float(ms) >= edge for edge in (10000, 60000, 300000, 1800000))] += 1
    date = r["Дата_иниц"]
    if date in ("", "1899-12-30"):
        without += 1
    else:
        days[date] += 1
        minutes[date] += float(ms or 0) / 60000
        hours[int(r["Время_иниц"][:2])] += 1
    failures[as_json(r["Ошибка"])] += 1
    if r["Номер_Б"]:
        numbers_b[r["Номер_Б"]] += 1

check("keys", list(got), ["per_day", "per_hour", "minutes_per_day", "durations",
                          "by_failure", "top_b", "top_a", "without_start_date"])
check("per_day", got["per_day"], dict(days))
check("days in order", list(got["per_day"]), sorted(days))
check("per_hour", got["per_hour"], hours)
for day, m in minutes.items():
    if abs(got["minutes_per_day"].get(day, -1) - m) > 1e-9 * max(1, m):
        problems.append(f"minutes of {day}: {got['minutes_per_day'].get(day)}, expected {m}")
check("durations", list(got["durations"].values()), buckets)
check("bucket names", list(got["durations"]),
      ["до 10 с", "10–60 с", "1–5 мин", "5–30 мин", "более 30 мин"])
check("by_failure", got["by_failure"], dict(failures))
check("without_start_date", got["without_start_date"], without)
top = sorted(numbers_b.items(), key=lambda kv: (-kv[1], kv[0].encode()))
check("top_b size", len(got["top_b"]), min(20, len(top)))
if top and got["top_b"]:
    check("top_b first", (got["top_b"][0]["number"], got["top_b"][0]["calls"]), top[0])
check("rows", sum(got["per_day"].values()) + without, len(rows))
for p in problems:
    print(f"FAIL: {name}: {p}")
print(f"{name}: {len(rows)} rows, {len(days)} days, {without} without a set-up date")
sys.exit(1 if problems else 0)
EOF
}

columns=Дата_иниц,Время_иниц,Прод_мс,Номер_Б,Номер_А,Ошибка

# check NAME [--where COLUMN:CONDITION]...: stats and query of the same rows
# agree; with conditions they pick some rows of all and leave some out.
total=0
check() {
  local name=$1
  shift
  rm -f "$work/rows.csv.count"
  cli query --columns "$columns" "$@" --out "$work/rows.csv" 2> "$work/err" ||
    fail "$name: query: $(cat "$work/err")"
  cli stats "$@" --format json > "$work/stats.json" 2> "$work/err" ||
    fail "$name: stats: $(cat "$work/err")"
  compare "$name" "$work/stats.json" "$work/rows.csv" || fail "$name"
  local rows
  rows=$(cat "$work/rows.csv.count")
  if [ $# -eq 0 ]; then
    total=$rows
    [ "$total" -gt 1000 ] || fail "$name: only $total rows"
  else
    [ "$rows" -gt 0 ] && [ "$rows" -lt "$total" ] || fail "$name: $rows rows of $total"
  fi
}

check "every row"
grep -qF '"Занятость \"аб.\"\\ \u000a\u0001":' "$work/stats.json" || fail "escaped failure text"
grep -qF '"\u00ff\u00fe N\u00e2":' "$work/stats.json" || fail "failure text of other bytes"
check "one day" --where "Дата_иниц:=2006-10-09"
check "long successful calls" --where "Ошибка:успешный" --where "Прод_мс:>=60000"

# The CSV form: the header, and the same figures as the JSON of the same rows.
cli stats --format json > "$work/stats.json" || fail "stats json"
cli stats --format csv > "$work/stats.csv" || fail "stats csv"
python3 - "$work/stats.json" "$work/stats.csv" << 'EOF' || fail "CSV against JSON"
import csv, json, sys
got = json.load(open(sys.argv[1], encoding="utf-8"))
raw = open(sys.argv[2], "rb").read()
assert raw.startswith(b"figure,key,calls,minutes\r\n"), raw[:40]
with open(sys.argv[2], encoding="utf-8", errors="surrogateescape", newline="") as f:
    records = list(csv.reader(f))[1:]
day = next(iter(got["per_day"]))
row = next(r for r in records if r[:2] == ["per_day", day])
assert row[2] == str(got["per_day"][day]) and float(row[3]) == got["minutes_per_day"][day], row
assert ["per_hour", "13", str(got["per_hour"][13]), ""] in records
assert ["duration", "10–60 с", str(got["durations"]["10–60 с"]), ""] in records
top = got["top_b"][0]
row = next(r for r in records if r[0] == "top_b")
assert row[1:3] == [top["number"], str(top["calls"])] and float(row[3]) == top["minutes"], row
assert records[-1] == ["without_start_date", "", str(got["without_start_date"]), ""], records[-1]
EOF

# --out writes the same bytes; a folder that does not exist fails and leaves nothing.
cli stats --format csv --out "$work/out.csv" || fail "stats --out"
cmp -s "$work/stats.csv" "$work/out.csv" || fail "--out wrote other bytes than stdout"
cli stats --format json --out "$work/none/out.json" 2> "$work/err"
rc=$?
[ "$rc" -eq 1 ] || fail "--out into a missing folder: exit $rc, expected 1"
[ -s "$work/err" ] || fail "--out into a missing folder: no message"
[ -e "$work/none" ] && fail "--out into a missing folder made something"

# expect_usage PATTERN ARGS...: exit status 2 and PATTERN on stderr.
expect_usage() {
  local pattern=$1
  shift
  cli stats "$@" > /dev/null 2> "$work/err"
  local rc=$?
  [ "$rc" -eq 2 ] || fail "stats $*: exit $rc, expected 2"
  grep -qF -- "$pattern" "$work/err" || fail "stats $*: no '$pattern' in: $(cat "$work/err")"
}
expect_usage "--format: не указан формат (json или csv)"
expect_usage "--format: неизвестный формат: xml" --format xml
expect_usage "неизвестный аргумент: --columns" --format json --columns Номер_Б
expect_usage "--where: неизвестный столбец: Нет_такого" --format json --where "Нет_такого:1"
expect_usage "--where: Прод_мс: Ожидается число" --format csv --where "Прод_мс:>abc"
expect_usage "--out: не указано значение" --format csv --out

[ "$failures" -eq 0 ] && echo "all stats checks passed"
exit "$failures"
