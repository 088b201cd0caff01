#!/usr/bin/env bash
# kestrom-cli query --where and --totals over generated days: each filtered
# CSV is compared with the rows that awk picks from the unfiltered CSV by
# the same rule, and the totals with the sums awk makes of those rows;
# unknown columns and invalid conditions are usage errors.
source "$(dirname "$0")/common.sh"
export LC_ALL=C # awk compares and searches bytes

mkdir -p "$work/ama" "$work/db"
cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$work/db/"
"$bin/amagen" --out "$work/ama" --exchange i3962 --from 2006-10-08 --days 3 --records 400 \
  --quiet > /dev/null || fail "amagen"
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-10 --all-calls \
  --db-dir "$work/db" > /dev/null 2> "$work/load.err" || fail "load: $(cat "$work/load.err")"

# Fields: 1 Номер_А, 2 Ошибка, 3 Тип_зап, 4 Дата_иниц, 5 Время_иниц, 6 Прод_мс, 7 Время_ок.
columns=Номер_А,Ошибка,Тип_зап,Дата_иниц,Время_иниц,Прод_мс,Время_ок
query() { "$bin/kestrom-cli" query --db-dir "$work/db" --columns "$columns" "$@"; }

query --out "$work/all.csv" || fail "unfiltered query"
tr -d '\r' < "$work/all.csv" | tail -n +2 > "$work/all.rows"
total=$(wc -l < "$work/all.rows")
[ "$total" -gt 1000 ] || fail "only $total rows to filter"
grep -q '"' "$work/all.rows" && fail "a quoted field: awk would split it"
awk -F, '$6 !~ /^[0-9]*$/ { bad = 1 } END { exit bad }' "$work/all.rows" ||
  fail "durations that are no whole milliseconds"

# The three totals lines of the rows on stdin, in the order kestrom-cli writes them.
totals_of() {
  awk -F, '$6 != "" { s += $6 } $3 != "" { n++ }
    END {
      h = int(s / 3600000)
      printf "Суммарная продолжительность %.0f мс.\n", s
      printf "ИТОГО: %d час. %.15g мин.\n", h, (s - h * 3600000) / 60000
      printf "Всего записей: %d\n", n
    }'
}

# check NAME AWK-RULE CONDITION...: the rows that pass the conditions (each
# COLUMN:CONDITION) are exactly the unfiltered rows the awk rule picks, in
# the same order, and --totals sums them.
check() {
  local name=$1 rule=$2 args=() condition
  shift 2
  for condition in "$@"; do args+=(--where "$condition"); done
  if ! query "${args[@]}" --totals --out "$work/got.csv" 2> "$work/got.err"; then
    fail "$name: $(cat "$work/got.err")"
    return
  fi
  head -n 1 "$work/got.csv" | grep -q "^${columns}"$'\r$' || fail "$name: header"
  tr -d '\r' < "$work/got.csv" | tail -n +2 > "$work/got.rows"
  awk -F, "$rule" "$work/all.rows" > "$work/want.rows"
  local want
  want=$(wc -l < "$work/want.rows")
  [ "$want" -lt "$total" ] || fail "$name: the rule leaves no row out"
  [ "$want" -gt 0 ] || [ "$rule" = 0 ] || fail "$name: the rule picks no row"
  diff -q "$work/want.rows" "$work/got.rows" > /dev/null ||
    fail "$name: $(wc -l < "$work/got.rows") rows, expected $want"
  totals_of < "$work/want.rows" > "$work/want.totals"
  diff "$work/want.totals" "$work/got.err" > /dev/null ||
    fail "$name: totals $(tr '\n' '|' < "$work/got.err"), expected $(tr '\n' '|' < "$work/want.totals")"
  echo "$name: $(wc -l < "$work/got.rows") rows"
}

# Every rule picks some rows and leaves some out (check says when not).
check "contains digits" 'index($1, "396")' "Номер_А:396"
check "contains, case-blind Cyrillic" '$2 ~ /Успеш/' "Ошибка:УСПЕШ"
check "equal text" '$2 == "Занятость аб."' "Ошибка:=Занятость аб."
check "numeric range" '$6 != "" && $6 >= 60000 && $6 <= 600000' "Прод_мс:60000~600000"
check "greater on numbers" '$3 > 1' "Тип_зап:>1"
check "date after" '$4 >= "2006-10-09"' "Дата_иниц:>=09.10.2006"
check "time cut to minutes" '$5 != "" && substr($5, 1, 5) <= "12:00"' "Время_иниц:<=12:00"
check "empty cells" '$7 == ""' "Время_ок:(Пустые)"
check "regular expression" '$1 ~ /^39[0-9][0-9][0-9][0-9]1$/' 'Номер_А:/^39\d{4}1$/'
check "conditions joined with AND" \
  '$2 ~ /Успеш/ && $6 >= 60000 && $5 != "" && substr($5, 1, 5) < "12:00"' \
  "Ошибка:успешный" "Прод_мс:>=60000" "Время_иниц:<12:00"
check "two conditions of one column" '$6 != "" && $6 > 1000 && $6 < 5000' \
  "Прод_мс:>1000" "Прод_мс:<5000"
check "exact text is case-exact" '0' "Ошибка:=успешный"

# A blank condition filters nothing: the rows read at once are the same bytes.
query --where "Номер_А:  " --out "$work/blank.csv" 2> /dev/null || fail "blank condition"
cmp -s "$work/all.csv" "$work/blank.csv" || fail "a blank condition changed the CSV"
query --totals --out /dev/null 2> "$work/all.totals" || fail "--totals alone"
totals_of < "$work/all.rows" | diff - "$work/all.totals" > /dev/null ||
  fail "totals of every row: $(tr '\n' '|' < "$work/all.totals")"

# expect_usage PATTERN ARGS...: exit status 2, PATTERN on stderr, no file written.
expect_usage() {
  local pattern=$1
  shift
  rm -f "$work/bad.csv"
  query "$@" --out "$work/bad.csv" > /dev/null 2> "$work/err"
  local rc=$?
  [ "$rc" -eq 2 ] || fail "query $*: exit $rc, expected 2"
  grep -qF -- "$pattern" "$work/err" || fail "query $*: no '$pattern' in: $(cat "$work/err")"
  [ -e "$work/bad.csv" ] && fail "query $*: wrote a file"
}
expect_usage "--where: неизвестный столбец: Нет_такого" --where "Нет_такого:1"
expect_usage "--where: ожидается СТОЛБЕЦ:УСЛОВИЕ: Прод_мс" --where "Прод_мс"
expect_usage "--where: Прод_мс: Ожидается число: «abc»" --where "Прод_мс:>abc"
expect_usage "--where: Тип_зап: Не указано значение после «>=»" --where "Тип_зап:>="
expect_usage "--where: Дата_иниц: Ожидается дата: «31.02.2006»" --where "Дата_иниц:<31.02.2006"
expect_usage "--where: Время_иниц: Ожидается время: «25:00»" --where "Время_иниц:>25:00"
expect_usage "--where: Прод_мс: Не указана граница диапазона: «5~»" --where "Прод_мс:5~"
expect_usage "--where: Ошибка: Ошибка в регулярном выражении: " --where "Ошибка:/(/"
expect_usage "--where: Прод_мс: Ожидается число" --where "Номер_А:396" --where "Прод_мс:=x"

[ "$failures" -eq 0 ] && echo "all query filter checks passed"
exit "$failures"
