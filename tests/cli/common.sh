# The set-up every console test shares; sourced with the program folder as $1.
# shellcheck shell=bash
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
