#!/usr/bin/env bash
# kestrom-cli decode as a user runs it: the 43-byte sample record of the AMA
# format, as it stands, with a wrong checksum and without its checksum
# element, each decoded into one JSON line and compared byte for byte with
# lines worked out by hand from the record layout; then the offsets and the
# damage status of records that follow one another in one file.
source "$(dirname "$0")/common.sh"
golden=$(cd "$(dirname "$0")" && pwd)/decode_sample43.golden.jsonl

# bytes FILE HEX...: writes the bytes given as hexadecimal pairs.
bytes() {
  local file=$1 out="" pair
  shift
  for pair in $*; do out+="\\x$pair"; done
  printf "$out" > "$file"
}

# The sample record: type 200, length 43, HeaderNumber3 1, HeaderNumber7
# 12345, F4 and F10, sequence 1, owner 1234567; 100: 890123; 102: 9 October
# 2006 14:05:30.700, flag 1; 115: 120000 ms; 116: byte +1 4, sum 0x0cde.
head='c8 00 2b 00 00 00 01 00 00 30 39 08 02 00 10 07 12 34 56 7f'
body='64 06 89 01 23 66 06 0a 09 0e 05 1e 07 01 73 00 01 d4 c0'
cd "$work" || exit 1
bytes good.ama "$head $body 74 04 0c de"
bytes bad.ama "$head $body 74 04 0c df"  # the stored sum one too high
# Without element 116 the record ends after 115, 39 bytes; its length field says so.
bytes absent.ama "${head/c8 00 2b/c8 00 27} $body"
[ "$(wc -c < good.ama)" -eq 43 ] && [ "$(wc -c < absent.ama)" -eq 39 ] || fail "sample bytes"

"$bin/kestrom-cli" decode good.ama bad.ama absent.ama > decoded.jsonl 2> decode.err ||
  fail "decode: exit $?: $(cat decode.err)"
diff "$golden" decoded.jsonl > decode.diff || fail "decode differs from the golden lines:
$(cat decode.diff)"

# Three records in one file, then one cut off by the end of the file: one
# line each at its byte offset. A month 13 in element 102 is reported as
# bad_date_time; its record is still walked to its end, where the sum no
# longer fits the changed byte (0x0cde + 0x0300), and the walk goes on.
bad_month=$(echo "$head $body 74 04 0c de" | sed 's/66 06 0a 09/66 06 0d 09/')
bytes walk.ama "$head $body 74 04 0c de" "$bad_month" "$head $body" "$head $body 74 04"
"$bin/kestrom-cli" decode walk.ama > walk.jsonl 2> walk.err || fail "decode walk.ama: $(cat walk.err)"
summary=$(sed -E 's/.*"offset":([0-9]+),"status":"([a-z_]+)","checksum":"([a-z]+)".*/\1 \2 \3/' walk.jsonl |
  tr '\n' ';')
[ "$summary" = "0 ok good;43 bad_date_time bad;86 ok absent;125 cut_off absent;" ] ||
  fail "walk.ama: offset, status, checksum: $summary"

# A missing file is named on stderr; the files after it are still decoded.
"$bin/kestrom-cli" decode missing.ama good.ama > some.jsonl 2> some.err
rc=$?
[ "$rc" -eq 1 ] || fail "decode of a missing file: exit $rc, expected 1"
grep -q "missing.ama" some.err || fail "no file name in: $(cat some.err)"
head -n 1 "$golden" | cmp -s - some.jsonl || fail "good.ama after a missing file: $(cat some.jsonl)"

[ "$failures" -eq 0 ] && echo "all decode checks passed"
exit "$failures"
