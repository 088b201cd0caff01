#!/usr/bin/env bash
# kestrom-cli export read back by a real spreadsheet: each format of a few
# thousand generated rows is converted to CSV by LibreOffice Calc (headless,
# under C.UTF-8) and every cell it reads is compared with kestrom-cli query
# over the same result: the Cyrillic titles and texts, the numbers, the
# blanks, the row count, and in the typed formats the kind of each cell. A
# 70,000-row XLSX is read back whole; XLS is refused beyond 65535 rows. The
# command line's own checks come first and need no spreadsheet.
source "$(dirname "$0")/common.sh"
export LC_ALL=C.UTF-8

mkdir -p "$work/ama" "$work/db" "$work/big-ama" "$work/big-db" "$work/lo"
for dir in "$work/db" "$work/big-db"; do
  cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$dir/"
done
"$bin/amagen" --out "$work/ama" --exchange i3962 --from 2006-10-08 --days 2 --records 1500 \
  --quiet > /dev/null || fail "amagen"
"$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-08 --to 2006-10-09 --all-calls \
  --db-dir "$work/db" > /dev/null 2> "$work/load.err" || fail "load: $(cat "$work/load.err")"

# Every result column, so every kind of cell is written.
columns=Ошибка,EX_ош,Тип_зап,Вх_транк_гр,Вх_транк,Исх_транк_гр,Исх_транк,Номер_А,ОрНомер_A
columns+=,Номер_Б,Посл_сть,Дата_иниц,Время_иниц,Дата_окон,Время_ок,Категория,Услуга_аб_А
columns+=,Услуга_аб_Б,Прод_мс,Прод_Мин
query() { "$bin/kestrom-cli" query --db-dir "$work/db" --columns "$columns" "$@"; }
export_as() { "$bin/kestrom-cli" export --db-dir "$work/db" --columns "$columns" "$@"; }

query --out "$work/want.csv" || fail "query"
tr -d '\r' < "$work/want.csv" > "$work/want.rows"
rows=$(($(wc -l < "$work/want.rows") - 1))
[ "$rows" -gt 2000 ] || fail "only $rows result rows"
grep -q '"' "$work/want.rows" && fail "a quoted field: the comparison splits at commas"
# What the comparison must meet: blanks, Cyrillic texts, fractions, digit texts with a leading zero.
grep -q ',,' "$work/want.rows" || fail "no blank cell in the result"
grep -q '^Успешный,' "$work/want.rows" || fail "no Cyrillic failure text"
awk -F, 'NR > 1 && $20 ~ /\.[0-9][0-9][0-9][0-9][0-9]/ { found = 1 } END { exit !found }' "$work/want.rows" ||
  fail "no Прод_Мин with a long fraction"

for format in html xls xlsx csv; do
  export_as --format "$format" --out "$work/result.$format" > "$work/export.out" \
    2> "$work/export.err" || fail "export $format: $(cat "$work/export.err")"
  grep -q "^Экспорт выполнен. Файл $work/result.$format сохранен.$" "$work/export.out" ||
    fail "export $format said: $(cat "$work/export.out")"
done

# The CSV is the query's CSV behind a byte order mark, filter and order included.
filtered=(--sort "Номер_Б[Down],Время_ок[Up]" --where "Ошибка:успеш" --where "Прод_мс:>10000")
query "${filtered[@]}" --out "$work/filtered-want.csv" || fail "filtered query"
export_as "${filtered[@]}" --format csv --out "$work/filtered.csv" > /dev/null ||
  fail "filtered export"
[ "$(head -c 3 "$work/filtered.csv" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  fail "the CSV does not begin with a UTF-8 byte order mark"
tail -c +4 "$work/filtered.csv" | cmp -s - "$work/filtered-want.csv" ||
  fail "the filtered CSV export differs from the filtered query"
filtered_rows=$(($(wc -l < "$work/filtered-want.csv") - 1))
[ "$filtered_rows" -gt 10 ] && [ "$filtered_rows" -lt "$rows" ] ||
  fail "the filter kept $filtered_rows of $rows rows"

# expect_refusal CODE PATTERN ARGS...: exit status CODE, PATTERN on stderr,
# and the file named by --out ($work/kept.htm) left as it was.
expect_refusal() {
  local code=$1 pattern=$2
  shift 2
  printf 'kept\r\n' > "$work/kept.htm"
  "$bin/kestrom-cli" export "$@" > /dev/null 2> "$work/err"
  local rc=$?
  [ "$rc" -eq "$code" ] || fail "export $*: exit $rc, expected $code"
  grep -qF -- "$pattern" "$work/err" || fail "export $*: no '$pattern' in: $(cat "$work/err")"
  [ "$(cat "$work/kept.htm")" = $'kept\r' ] || fail "export $*: the existing file changed"
  [ "$(ls -A "$work" | grep -c kept)" -eq 1 ] || fail "export $*: left a file: $(ls -A "$work")"
}
db=(--db-dir "$work/db")
expect_refusal 2 "--format: неизвестный формат: xml" "${db[@]}" --format xml --out "$work/kept.htm"
expect_refusal 2 "--format: не указан формат" "${db[@]}" --out "$work/kept.htm"
expect_refusal 2 "--out: не указан файл" "${db[@]}" --format html
expect_refusal 2 "--columns: неизвестный столбец: Нет_такого" "${db[@]}" --format html \
  --columns Номер_А,Нет_такого --out "$work/kept.htm"
expect_refusal 2 "--where: Прод_мс: Ожидается число" "${db[@]}" --format html \
  --where "Прод_мс:>abc" --out "$work/kept.htm"
expect_refusal 2 "неизвестный аргумент: --totals" "${db[@]}" --format html --totals \
  --out "$work/kept.htm"
"$bin/kestrom-cli" export "${db[@]}" --format html --out "$work/no-such-dir/result.htm" \
  > /dev/null 2> "$work/err" && fail "export into a missing folder succeeded"
grep -q 'result.htm' "$work/err" || fail "the failed export does not name its file: $(cat "$work/err")"
[ -e "$work/no-such-dir" ] && fail "the failed export created a folder"

# More than 65535 rows: XLS is refused and leaves the file alone; XLSX takes them all.
"$bin/amagen" --out "$work/big-ama" --exchange i3962 --from 2006-10-08 --days 1 \
  --files-per-day 4 --records 20000 --quiet > /dev/null || fail "amagen of the large day"
"$bin/kestrom-cli" load --ama-dir "$work/big-ama" --from 2006-10-08 --to 2006-10-08 --all-calls \
  --db-dir "$work/big-db" > /dev/null 2> "$work/load.err" || fail "large load: $(cat "$work/load.err")"
big_columns=Номер_А,Дата_окон,Время_ок,Прод_мс
"$bin/kestrom-cli" query --db-dir "$work/big-db" --columns "$big_columns" \
  --out "$work/big-want.csv" || fail "large query"
tr -d '\r' < "$work/big-want.csv" > "$work/big-want.rows"
big_rows=$(($(wc -l < "$work/big-want.rows") - 1))
[ "$big_rows" -ge 70000 ] || fail "the large result has only $big_rows rows"
expect_refusal 1 "$big_rows" --db-dir "$work/big-db" --columns "$big_columns" --format xls \
  --out "$work/kept.htm"
grep -q "65535" "$work/err" || fail "the XLS refusal does not name the format's limit: $(cat "$work/err")"
grep -q "XLSX" "$work/err" || fail "the XLS refusal does not point to XLSX: $(cat "$work/err")"
"$bin/kestrom-cli" export --db-dir "$work/big-db" --columns "$big_columns" --format xlsx \
  --out "$work/big.xlsx" > /dev/null 2> "$work/err" || fail "large XLSX: $(cat "$work/err")"

if ! command -v soffice > /dev/null; then
  [ "$failures" -eq 0 ] || exit "$failures"
  echo "SKIP: soffice (Debian package libreoffice-calc-nogui) is not installed"
  exit 77
fi

# calc_csv FILE OUT SHOWN [INFILTER]: FILE as LibreOffice Calc reads it, saved
# as CSV into OUT: UTF-8, text cells in double quotes and numbers bare, each
# value as shown (SHOWN true) or in Calc's plain form (false).
conversions=0
calc_csv() {
  conversions=$((conversions + 1))
  local file=$1 out=$2 shown=$3 infilter=${4:-} dir="$work/lo/$conversions"
  local args=(-env:UserInstallation="file://$dir/profile" --headless)
  [ -n "$infilter" ] && args+=(--infilter="$infilter")
  timeout 300 soffice "${args[@]}" \
    --convert-to "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,$shown" \
    --outdir "$dir" "$file" > "$dir.log" 2>&1
  local converted
  converted="$dir/$(basename "${file%.*}").csv"
  if [ ! -f "$converted" ]; then
    fail "Calc did not convert $(basename "$file"): $(cat "$dir.log")"
    : > "$out"
    return
  fi
  tr -d '\r' < "$converted" > "$out"
}

# compare NAME RULES WANT GOT: every cell Calc read (GOT) against the result
# (WANT). RULES says how the format's cells read back:
#   html   - no cell kinds: a blank reads as a space, digit texts as numbers;
#   csv    - the same, but a blank is empty;
#   xls    - numbers and blanks bare, texts, dates and times quoted as written;
#   xlsx   - numbers, dates, times and blanks bare (plain forms), texts quoted;
#   xlsx-shown - dates and times in the grid's Russian forms.
# Fractions compare to 13 significant digits (Calc writes 15).
compare() {
  local name=$1 rules=$2 want=$3 got=$4
  local want_lines got_lines
  want_lines=$(wc -l < "$want")
  got_lines=$(wc -l < "$got")
  [ "$want_lines" -eq "$got_lines" ] ||
    fail "$name: Calc read $((got_lines - 1)) rows, the result has $((want_lines - 1))"
  paste -d '\t' "$want" "$got" | awk -F '\t' -v rules="$rules" -v name="$name" '
    function close_to(a, b,   d) {
      d = a > b ? a - b : b - a
      return d <= 1e-13 * (a < 0 ? -a : a)
    }
    function kind_of(title) {
      if (title ~ /^(EX_ош|Тип_зап|Вх_транк_гр|Вх_транк|Исх_транк_гр|Исх_транк|Категория|Прод_мс)$/) return "integer"
      if (title == "Прод_Мин") return "float"
      if (title ~ /^Дата_/) return "date"
      if (title ~ /^Время_/) return "time"
      return "text"
    }
    # The cell as the rules say Calc shows the value w of a column of kind k.
    function expected(w, k,   h) {
      if (w == "") return rules == "html" ? " " : ""
      if (k == "date" && substr(w, 1, 4) >= "1900") {
        if (rules == "xlsx") return substr(w, 6, 2) "/" substr(w, 9, 2) "/" substr(w, 1, 4)
        if (rules == "xlsx-shown") return substr(w, 9, 2) "." substr(w, 6, 2) "." substr(w, 1, 4)
      }
      if (k == "time" && rules == "xlsx") {
        h = substr(w, 1, 2) + 0
        return sprintf("%02d%s %s", h % 12 == 0 ? 12 : h % 12, substr(w, 3, 6), h < 12 ? "AM" : "PM")
      }
      if (k == "time" && rules == "xlsx-shown") return substr(w, 1, 8)
      return w
    }
    # Whether Calc must have read it as a number (bare) or a text (quoted); "" when it guesses.
    function quoting(w, k) {
      if (rules == "html" || rules == "csv" || rules == "xlsx-shown") return ""
      if (w == "" || k == "integer" || k == "float") return "bare"
      if (rules == "xlsx" && (k == "time" || (k == "date" && substr(w, 1, 4) >= "1900"))) return "bare"
      return "quoted"
    }
    function report(what) {
      if (++bad <= 8) printf "FAIL: %s: row %d, %s: %s\n", name, NR - 1, title[i], what
    }
    {
      n = split($1, w, ",")
      m = split($2, g, ",")
      if (n != m) { report("Calc read " m " cells, the result has " n); next }
      for (i = 1; i <= n; i++) {
        quoted = g[i] ~ /^".*"$/
        value = quoted ? substr(g[i], 2, length(g[i]) - 2) : g[i]
        if (NR == 1) {
          title[i] = w[i]
          if (value "" != w[i] "") report("title \"" value "\", expected \"" w[i] "\"")
          continue
        }
        k = kind_of(title[i])
        want = expected(w[i], k)
        q = quoting(w[i], k)
        if (q == "bare" && quoted) report("\"" value "\" is a text, expected a number, a date or a blank")
        if (q == "quoted" && !quoted) report(value " is no text, expected \"" want "\"")
        if (value "" == want "") continue # as texts: "03" is not "3"
        if (want != "" && value != "" && (k == "float" || (rules ~ /^(html|csv)$/ && want ~ /^[0-9]+$/)) &&
            close_to(want + 0, value + 0)) {
          if (k != "float") guessed++
          continue
        }
        report("Calc read \"" value "\", expected \"" want "\"")
      }
    }
    END {
      if (bad > 8) printf "FAIL: %s: %d more cells differ\n", name, bad - 8
      if (guessed) printf "%s: %d digit texts read as numbers (leading zeros and digits beyond 15 lost)\n", name, guessed
      exit bad > 0
    }' || failures=$((failures + 1))
  echo "$name: $((got_lines - 1)) rows compared"
}

calc_csv "$work/result.html" "$work/html.rows" false "HTML (StarCalc)"
compare HTML html "$work/want.rows" "$work/html.rows"
calc_csv "$work/result.xls" "$work/xls.rows" false
compare XLS xls "$work/want.rows" "$work/xls.rows"
calc_csv "$work/result.xlsx" "$work/xlsx.rows" false
compare XLSX xlsx "$work/want.rows" "$work/xlsx.rows"
calc_csv "$work/result.xlsx" "$work/xlsx-shown.rows" true
compare "XLSX as shown" xlsx-shown "$work/want.rows" "$work/xlsx-shown.rows"
# UTF-8 as the text import dialog detects it from the byte order mark.
calc_csv "$work/result.csv" "$work/csv.rows" false "Text - txt - csv (StarCalc):44,34,76,1,,0,false,false"
compare CSV csv "$work/want.rows" "$work/csv.rows"
calc_csv "$work/big.xlsx" "$work/big.rows" true
compare "XLSX of $big_rows rows" xlsx-shown "$work/big-want.rows" "$work/big.rows"

[ "$failures" -eq 0 ] && echo "all export checks passed"
exit "$failures"
