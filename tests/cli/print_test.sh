#!/usr/bin/env bash
# kestrom-cli print read back with poppler-utils: the pages of a loaded
# result are landscape A4, carry the two header lines of the last load and
# the numbers of the result; a filter prints only its rows; a failure exits
# with 1 and leaves no file, a wrong command line with 2.
source "$(dirname "$0")/common.sh"
export LC_ALL=C.UTF-8
for tool in pdfinfo pdftotext; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool not installed (poppler-utils)"; exit 77; }
done

mkdir -p "$work/ama" "$work/db" "$work/out"
cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$work/db/"
"$bin/amagen" --out "$work/ama" --exchange i3962 --from 2006-10-08 --days 2 --records 400 \
  --quiet > /dev/null || fail "amagen"
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 --a starts:3962 \
  --all-calls --db-dir "$work/db" > /dev/null 2> "$work/load.err" || fail "load: $(cat "$work/load.err")"

print() { "$bin/kestrom-cli" print --db-dir "$work/db" "$@"; }
squeeze() { tr -s ' ' < "$1"; }

print --pdf "$work/out/all.pdf" > "$work/print.out" 2> "$work/print.err" ||
  fail "print: $(cat "$work/print.err")"
grep -q "^Печать выполнена. Файл $work/out/all.pdf сохранен" "$work/print.out" ||
  fail "print said: $(cat "$work/print.out")"
pdfinfo "$work/out/all.pdf" > "$work/info" || fail "pdfinfo cannot read the file"
pages=$(awk '/^Pages:/ { print $2 }' "$work/info")
[ "${pages:-0}" -gt 0 ] || fail "no pages: $(cat "$work/info")"
grep -Eq '^Page size: +(842|841\.89) x (595|595\.276) pts' "$work/info" ||
  fail "not landscape A4: $(grep 'Page size' "$work/info")"
grep -q '^Title: *Табличная информация$' "$work/info" || fail "title: $(grep Title "$work/info")"

pdftotext -layout "$work/out/all.pdf" "$work/all.txt" || fail "pdftotext"
squeeze "$work/all.txt" > "$work/all.sq"
for line in "Выборка данных начиная с 08.10.2006 по 09.10.2006." "Фильтры: Номер_А:начинается с 3962."; do
  [ "$(grep -cF "$line" "$work/all.sq")" -eq "$pages" ] || fail "'$line' not on each of $pages pages"
done
# A few numbers of the result: the first rows' numbers A and B.
"$bin/kestrom-cli" query --db-dir "$work/db" --columns Номер_А,Номер_Б > "$work/want.csv" ||
  fail "query"
for number in $(sed -n '2,4p' "$work/want.csv" | tr -d '\r' | tr ',' ' '); do
  grep -qF "$number" "$work/all.txt" || fail "number $number of the result is not printed"
done

# A filter: exactly the rows it keeps, each number A once.
print --pdf "$work/out/few.pdf" --columns Номер_А,Прод_мс --where "Прод_мс:>100000" > /dev/null ||
  fail "filtered print"
"$bin/kestrom-cli" query --db-dir "$work/db" --columns Номер_А,Прод_мс --where "Прод_мс:>100000" |
  tail -n +2 | tr -d '\r' > "$work/few.want"
kept=$(wc -l < "$work/few.want")
[ "$kept" -gt 0 ] || fail "the filter kept no row"
pdftotext -layout "$work/out/few.pdf" - | grep -E '^ *3962[0-9]+ +[0-9]+ *$' | tr -s ' ' ',' |
  sed 's/^,//; s/,$//' > "$work/few.got"
cmp -s "$work/few.got" "$work/few.want" ||
  fail "the filtered pages differ: $(diff "$work/few.want" "$work/few.got" | head -5)"

# Failures: exit 1 and no file; a file in the way stays as it was.
print --pdf "$work/out/missing/dir/x.pdf" > /dev/null 2> "$work/err"
[ $? -eq 1 ] || fail "an unwritable target did not exit with 1"
grep -q "Не удалось сохранить файл" "$work/err" || fail "no reason: $(cat "$work/err")"
[ ! -e "$work/out/missing" ] || fail "an unwritable target left something"
printf 'kept' > "$work/out/kept.pdf"
mkdir -p "$work/empty-db"
"$bin/kestrom-cli" print --db-dir "$work/empty-db" --pdf "$work/out/kept.pdf" > /dev/null 2>&1
[ $? -eq 1 ] || fail "a directory without a call table did not exit with 1"
[ "$(cat "$work/out/kept.pdf")" = kept ] || fail "a failed print changed the existing file"
[ "$(ls -A "$work/out" | sort | tr '\n' ' ')" = "all.pdf few.pdf kept.pdf " ] ||
  fail "files left behind: $(ls -A "$work/out")"

# A wrong command line: exit 2.
for args in "" "--pdf" "--pdf x.pdf --totals" "--pdf x.pdf --columns Нет_такого"; do
  # shellcheck disable=SC2086
  print $args > /dev/null 2>&1
  [ $? -eq 2 ] || fail "print $args did not exit with 2"
done
[ ! -e x.pdf ] || fail "a refused command line wrote x.pdf"

[ "$failures" -eq 0 ] && echo "print: all checks passed"
exit "$((failures > 0))"
