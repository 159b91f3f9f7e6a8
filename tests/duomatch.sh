#!/usr/bin/env bash
# duomatch through the real program: echo line, verdict and exit status.

. "$(dirname "$0")/harness.sh"

EQ='The two strings are equal'
NE='The two strings are not equal'

# verdict A B EXPECTED: duomatch A B echoes both and says EXPECTED, status 0.
verdict() {
	status 0 program duomatch "$1" "$2" >out 2>err
	holds out 'argv[0] = %s, argv[1] = %s, argv[2] = %s\n%s\n' \
		"$(invoked "$BIN/duomatch$EXE")" "$1" "$2" "$3"
	same /dev/null err
}

# launched A B ECHO_A ECHO_B EXPECTED: on Windows, duomatch started with
# the UTF-16 arguments A and B (\uHHHH a unit) echoes them as the bytes
# ECHO_A and ECHO_B and says EXPECTED: a lone surrogate keeps bytes of its
# own (WTF-8).
launched() {
	local name
	name=$(invoked "$BIN/duomatch.exe")
	status 0 through "$TOOLS/launch.exe" "$name" "$1" "$2" >out 2>err
	holds out 'argv[0] = %s, argv[1] = %s, argv[2] = %s\n%s\n' \
		"$name" "$3" "$4" "$5"
	same /dev/null err
}

# equal strings are the same bytes, whatever the bytes: on Windows, UTF-8
# from the system's UTF-16, where bytes that are no UTF-8 cannot be passed,
# nor under Node's WASI, which passes text
test_equal() {
	verdict x x "$EQ"
	verdict '' '' "$EQ"
	verdict 'a b  c' 'a b  c' "$EQ"
	verdict '%s%n' '%s%n' "$EQ"
	verdict é é "$EQ"
	verdict 中文中文中文中文中文中文中文中文 中文中文中文中文中文中文中文中文 "$EQ"
	if windows; then
		launched '\ud800' '\ud800' $'\xed\xa0\x80' $'\xed\xa0\x80' "$EQ"
	elif ! wasi; then
		verdict $'\xe9\x80\xff' $'\xe9\x80\xff' "$EQ"
	fi
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
	verdict 中文 日本 "$NE"
	if windows; then
		launched '\ud800' '\ud801' $'\xed\xa0\x80' $'\xed\xa0\x81' "$NE"
		launched 'a\ud800' 'a\udc00' $'a\xed\xa0\x80' $'a\xed\xb0\x80' "$NE"
		return
	fi
	! wasi || return 0
	verdict $'\xe9' $'\xc3\xa9' "$NE"
	verdict $'a\x80' $'a\x7f' "$NE"
}

# the echo names the program as invoked
test_invoked_name() {
	(cd "$BIN" && status 0 through "./duomatch$EXE" x y) >out
	name=./duomatch$EXE
	! under_wine || name=$(invoked "$BIN/duomatch.exe")
	holds out 'argv[0] = %s, argv[1] = x, argv[2] = y\n%s\n' "$name" "$NE"
}

# any other number of arguments gets the usage text and status 1
test_usage() {
	for args in "" "one" "one two three" "a b c d"; do
		# shellcheck disable=SC2086
		status 1 program duomatch $args >out 2>err
		holds out 'Usage: duomatch <string1> <string2>\n'
		same /dev/null err
	done
}

# a verdict that cannot be written is a failure
test_write_failure() {
	local redirects=()
	wasi || redirects+=('>&-')
	[ ! -e /dev/full ] || redirects+=('>/dev/full')
	for redirect in ${redirects[@]+"${redirects[@]}"}; do
		eval "status 1 program duomatch x x $redirect 2>err"
		holds err 'Error writing standard output\n'
		eval "status 1 program duomatch x $redirect 2>err"
		same /dev/null err
	done
}

run_test "$1"
