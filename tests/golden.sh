#!/bin/sh
# golden.sh PROGRAM CASE.in: runs PROGRAM on the roster CASE.in, typing its
# name at the prompt; standard output must be CASE.out byte for byte,
# standard error empty and the status 0.
prog=$1
dir=$(dirname "$2")
case=$(basename "$2" .in)
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT

cd "$dir" || exit 1
printf '%s\n' "$case.in" | "$prog" >"$tmp/out" 2>"$tmp/err"
status=$?
fail=0
if ! cmp -s "$case.out" "$tmp/out"; then
	echo "standard output differs from $case.out (expected, actual):"
	diff "$case.out" "$tmp/out" | cat -A
	fail=1
fi
if [ -s "$tmp/err" ]; then
	echo "unexpected standard error:"
	cat -A "$tmp/err"
	fail=1
fi
if [ "$status" -ne 0 ]; then
	echo "exit status $status, expected 0"
	fail=1
fi
exit $fail
