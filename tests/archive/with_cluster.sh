#!/usr/bin/env bash
# Runs the archive's test program against a throwaway PostgreSQL cluster:
# with_cluster.sh SOURCE_DIR TEST_PROGRAM [ARGS...]. The program finds the
# cluster's connection strings in the folder KESTROM_PG_DIR names.
set -u
src=$1 program=$2
shift 2
dir=$(mktemp -d /tmp/kestrom-archive-test.XXXXXX)
trap '"$src/scripts/pg-test-cluster" stop "$dir/cluster"; rm -rf "$dir"' EXIT
"$src/scripts/pg-test-cluster" start "$dir/cluster"
status=$?
[ "$status" -eq 0 ] || exit "$status"
KESTROM_PG_DIR="$dir/cluster" "$program" "$@"
