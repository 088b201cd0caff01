#!/usr/bin/env bash
# kestrom-cli load as a user runs it: every filter option over one hand-made
# day file of seven call records whose numbers, trunk groups, error codes
# and start times are known, each load's rows listed by number A through
# kestrom-cli query and compared with the records that the filter must keep,
# counted by hand from the filter rules below.
source "$(dirname "$0")/common.sh"

# bytes FILE HEX...: appends the bytes given as hexadecimal pairs.
bytes() {
  local file=$1 out="" pair
  shift
  for pair in $*; do out+="\\x$pair"; done
  printf "$out" >> "$file"
}

# header CALL FLAGS11 COUNT DIGITS: a call record header (type 200, sequence
# 1, F10 set) with the call identifier CALL and the owner number's packed digits.
header() { echo "c8 00 00 00 00 00 01 00 00 00 $1 $2 02 00 10 $3 $4"; }
ok=08     # F4: a successful call
failed=00 # F4 clear

# Elements: trunk groups 113 (in) and 114 (out), extended error code 121,
# call start 102 on 9 October 2006 (hour, minute, second, tenths).
in_tg() { echo "71 00 $1 00 01 00 00 00 00"; }
out_tg() { echo "72 00 $1 00 01 00 00 00 00"; }
error_code() { echo "79 05 $1 $2 00"; }
start() { echo "66 06 0a 09 $1 $2 $3 $4 00"; }

mkdir -p "$work/ama" "$work/db"
cp "$bin"/failurestr.db "$bin"/usluga_a.db "$bin"/usluga_b.db "$work/db/"
day="$work/ama/i396220061009_1.ama"
#   A      B     in  out  error  start
#   12     700   5   6    31     09:59:59.9
#   1234   12    6   5    31     10:00:00.0
#   3412   701   5   -    256    12:00:00.0
#   1212   702   -   6    5      18:30:00.0
#   3456   1299  7   7    -      23:59:59.0
#   5125   -     -   -    5      -  (counts as 00:00:00)
#   7777   12    5   5    31     11:00:00.0  not successful
bytes "$day" "$(header 01 $ok 02 '12')" "64 03 70 0f" "$(start 09 3b 3b 09)" "$(in_tg 05)" \
  "$(out_tg 06)" "$(error_code 00 1f)"
bytes "$day" "$(header 02 $ok 04 '12 34')" "64 02 12" "$(start 0a 00 00 00)" "$(in_tg 06)" \
  "$(out_tg 05)" "$(error_code 00 1f)"
bytes "$day" "$(header 03 $ok 04 '34 12')" "64 03 70 1f" "$(start 0c 00 00 00)" "$(in_tg 05)" \
  "$(error_code 01 00)"
bytes "$day" "$(header 04 $ok 04 '12 12')" "64 03 70 2f" "$(start 12 1e 00 00)" "$(out_tg 06)" \
  "$(error_code 00 05)"
bytes "$day" "$(header 05 $ok 04 '34 56')" "64 04 12 99" "$(start 17 3b 3b 00)" "$(in_tg 07)" \
  "$(out_tg 07)"
bytes "$day" "$(header 06 $ok 04 '51 25')" "$(error_code 00 05)"
bytes "$day" "$(header 07 $failed 04 '77 77')" "64 02 12" "$(start 0b 00 00 00)" "$(in_tg 05)" \
  "$(out_tg 05)" "$(error_code 00 1f)"

# expect_rows "A..." ARGS...: a load of the day with ARGS keeps exactly the
# records whose numbers A are listed (in any order).
expect_rows() {
  local want
  want=$(tr ' ' '\n' <<< "$1" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ')
  shift
  if ! "$bin/kestrom-cli" load --ama-dir "$work/ama" --from 2006-10-09 --to 2006-10-09 \
    --db-dir "$work/db" "$@" > "$work/load.out" 2> "$work/load.err"; then
    fail "load $*: $(cat "$work/load.err")"
    return
  fi
  "$bin/kestrom-cli" query --db-dir "$work/db" --columns Номер_А --out "$work/rows.csv" ||
    fail "query after load $*"
  local got count
  got=$(tail -n +2 "$work/rows.csv" | tr -d '\r' | LC_ALL=C sort | tr '\n' ' ')
  [ "$got" = "$want" ] || fail "load $*: kept [$got], expected [$want]"
  count=$(wc -w <<< "$want")
  grep -qx "Загружено: $count записей." "$work/load.out" ||
    fail "load $*: $(tail -n 1 "$work/load.out"), expected $count rows"
}

# No filter: every successful call; --all-calls adds the unsuccessful one.
expect_rows "12 1234 3412 1212 3456 5125"
expect_rows "12 1234 3412 1212 3456 5125 7777" --all-calls

# The seven modes with the entry 12. As the user guide describes them,
# "ends" keeps a number whose last digits are the entry (1212 too) and
# "not-ends" is its exact complement (3456, where 12 does not occur, too).
expect_rows "12" --a eq:12
expect_rows "12 1234 3412 1212 5125" --a like:12
expect_rows "12 1234 1212" --a starts:12
expect_rows "12 3412 1212" --a ends:12
expect_rows "3412 3456 5125" --a not-starts:12
expect_rows "1234 3412 1212 3456 5125" --a not-eq:12
expect_rows "1234 3456 5125" --a not-ends:12
# A list: a positive mode keeps a number that matches any entry, a negative
# mode one that matches every entry.
expect_rows "12 3456" --a eq:12,3456
expect_rows "1234 3412 1212 5125" --a not-eq:12,3456

# Number B, not A: only the second record's B is 12 (the seventh failed);
# a record without B has an empty number, in which nothing occurs.
expect_rows "1234" --b eq:12
expect_rows "1234 7777" --b eq:12 --all-calls
expect_rows "1234 3456" --b starts:12
expect_rows "12 3412 1212 5125" --b not-starts:12
# A starts with 12 (12, 1234, 1212), B starts with 12 (1234, 3456).
expect_rows "1234" --a starts:12 --b starts:12 --join and
expect_rows "12 1234 1212 3456" --a starts:12 --b starts:12 --join or
expect_rows "1234" --a starts:12 --b starts:12

# Incoming and outgoing trunk groups; a record without the element has group 0.
expect_rows "12 3412" --in-tg 5
expect_rows "12 3412 7777" --in-tg 5 --all-calls
expect_rows "1234" --out-tg 5
expect_rows "1212 5125" --in-tg 0
expect_rows "12 1212" --out-tg 6
expect_rows "12" --in-tg 5 --out-tg 6

# Extended error code; 0 for a record without element 121.
expect_rows "12 1234" --error-code 31
expect_rows "1212 5125" --error-code 5
expect_rows "3456" --error-code 0

# The time of day of the call start, both bounds inclusive; no element 102
# counts as 00:00:00. A window from 22:00 to 02:00 spans midnight, as the
# user guide says.
expect_rows "1234 3412 1212 3456" --time-from 10:00:00
expect_rows "12 1234 3412 5125" --time-to 12:00:00
expect_rows "1234 3412" --time-from 10:00:00 --time-to 12:00:00
expect_rows "3456 5125" --time-from 22:00:00 --time-to 02:00:00
expect_rows "" --time-from 02:00:01 --time-to 09:59:59

[ "$failures" -eq 0 ] && echo "all load filter checks passed"
exit "$failures"
