#!/usr/bin/env bash
# duomatch through the real program: echo line, verdict and exit status.

. "$(dirname "$0")/harness.sh"

EQ='The two strings are equal'
NE='The two strings are not equal'
USAGE='Usage: duomatch <string1> <string2>'

# verdict A B EXPECTED: duomatch A B echoes both and says EXPECTED, status 0.
verdict() {
	local out
	out=$("$BIN/duomatch" "$1" "$2" 2>&1; echo "status $?")
	[ "$out" = "argv[0] = $BIN/duomatch, argv[1] = $1, argv[2] = $2
$3
status 0" ] || { printf 'duomatch %q %q:\n%s\n' "$1" "$2" "$out"; return 1; }
}

# equal strings are the same bytes, whatever the bytes
test_equal() {
	verdict x x "$EQ"
	verdict '' '' "$EQ"
	verdict 'a b  c' 'a b  c' "$EQ"
	verdict '%s%n' '%s%n' "$EQ"
	verdict $'\xe9\x80\xff' $'\xe9\x80\xff' "$EQ"
	verdict "$(printf 'z%.0s' {1..5000})" "$(printf 'z%.0s' {1..5000})" "$EQ"
}

# a difference anywhere, a prefix or a case makes them unequal
test_unequal() {
	verdict abc abd "$NE"
	verdict abc ab "$NE"
	verdict ab abc "$NE"
	verdict '' a "$NE"
	verdict a '' "$NE"
	verdict Abc abc "$NE"
	verdict 'a b' 'a  b' "$NE"
	verdict $'\xe9' $'\xc3\xa9' "$NE"
	verdict $'a\x80' $'a\x7f' "$NE"
}

# the echo names the program as invoked
test_invoked_name() {
	cd "$BIN" || return
	[ "$(./duomatch x y; echo "status $?")" = "argv[0] = ./duomatch, argv[1] = x, argv[2] = y
$NE
status 0" ]
}

# any other number of arguments gets the usage text and status 1
test_usage() {
	for args in "" "one" "one two three" "a b c d"; do
		# shellcheck disable=SC2086
		out=$("$BIN/duomatch" $args 2>/dev/null; echo "status $?")
		[ "$out" = "$USAGE
status 1" ]
		[ -z "$("$BIN/duomatch" $args 2>&1 >/dev/null)" ]
	done
}

# a verdict that cannot be written is a failure
test_write_failure() {
	for redirect in '>/dev/full' '>&-'; do
		out=$(eval "\"\$BIN/duomatch\" x x $redirect" 2>&1; echo "status $?")
		[ "$out" = "Error writing standard output
status 1" ]
		out=$(eval "\"\$BIN/duomatch\" x $redirect" 2>&1; echo "status $?")
		[ "$out" = "status 1" ]
	done
}

run_test "$1"
