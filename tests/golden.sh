#!/usr/bin/env bash
# golden.sh PROGRAM CASE.in: PROGRAM lists the roster CASE.in, its name
# typed at the prompt: standard output is CASE.out byte for byte, standard
# error empty and the status 0.

. "$(dirname "$0")/harness.sh"

test_golden() {
	lists "$PROG" "${CASE%.in}"
}

PROG=$1 CASE=$2
run_test golden
