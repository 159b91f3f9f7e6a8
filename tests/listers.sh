#!/usr/bin/env bash
# The listing driver through the real programs: what is typed at the prompt,
# what cannot be opened, read or written, and the exit status of each.

. "$(dirname "$0")/harness.sh"

P='Enter the input file name: '
LONG=$(printf 'n%.0s' {1..39})

setup() {
	printf 'R1,Alice,8.5\n' >roster
	cp roster "$LONG"
	mkdir dir
}

# report PROG: what PROG writes for the file roster.
report() {
	case $1 in
	csvroster) printf 'Reg. No. = R1, Name = Alice, CGPA = 8.500000\n' ;;
	wordroster) printf 'Reg. No. = R1,Alice,8.5, Name = , CGPA = 0.000000\n' ;;
	esac
}

# check PROG TYPED STDOUT STDERR STATUS [REDIRECT]: runs PROG with TYPED
# (printf escapes) at its standard input and compares all three results
# exactly. In STDOUT, @R@ stands for the report of roster.
check() {
	local prog=$1 want_out want_err code
	want_out=$(printf '%b' "$3"; echo x)
	want_out=${want_out%x}
	want_out=${want_out//@P@/$P}
	want_out=${want_out//@R@/$(report "$prog")$'\n'}
	want_err=$(printf '%b' "$4"; echo x)
	want_err=${want_err%x}
	code=0
	printf '%b' "$2" >typed
	eval "\"\$BIN/$prog\" <typed >out 2>err ${6:-}" || code=$?
	if [ "$code" != "$5" ] || [ "$(cat out; echo x)" != "${want_out}x" ] ||
		[ "$(cat err; echo x)" != "${want_err}x" ]; then
		echo "$prog, typed '$2': status $code (expected $5)"
		echo "stdout:"; cat -A out; echo "expected:"; printf '%s' "$want_out" | cat -A
		echo "stderr:"; cat -A err; echo "expected:"; printf '%s' "$want_err" | cat -A
		return 1
	fi
}

# Rows: typed | standard output | standard error | status [| redirections]
table() {
	local prog=$1 typed out err code extra
	while IFS='|' read -r typed out err code extra; do
		[ -n "$typed" ] || continue
		check "$prog" "$(trim "$typed")" "$(trim "$out")" "$(trim "$err")" \
			"$(trim "$code")" "$(trim "$extra")" || return 1
	done
}

trim() {
	local s=${1#"${1%%[! ]*}"}
	printf '%s' "${s%"${s##*[! ]}"}"
}

# the typed name: one word, whitespace around it, the rest unread
test_typed_name() {
	for prog in csvroster wordroster; do
		table "$prog" <<-'ROWS'
		roster\n                | @P@@R@ |                          | 0
		roster                  | @P@@R@ |                          | 0
		\n \t\v\f\r roster \n   | @P@@R@ |                          | 0
		roster nope\n           | @P@@R@ |                          | 0
		nope\n                  | @P@    | Error opening file nope\n | 1
		nope roster\n           | @P@    | Error opening file nope\n | 1
		roster\n                | @P@@R@ |                          | 0 | nope.csv
		%s%n%d\n                | @P@    | Error opening file %s%n%d\n | 1
		ROWS
	done
}

# no name at the prompt: nothing is opened
test_no_name() {
	for prog in csvroster wordroster; do
		table "$prog" <<-'ROWS'
		\n                      | @P@    | No input file name given\n | 1 | </dev/null
		\n                      | @P@    | No input file name given\n | 1
		 \t\n \n                | @P@    | No input file name given\n | 1
		x                       | @P@    | No input file name given\n | 1 | <&-
		ROWS
	done
}

# a name too long for its field is refused whole, never opened cut down,
# and the message says why
test_long_name() {
	local why=': name longer than 39 bytes'
	for prog in csvroster wordroster; do
		check "$prog" "$LONG\n" "@P@@R@" "" 0
		check "$prog" "${LONG}x\n" "@P@" "Error opening file ${LONG}x$why\n" 1
		check "$prog" "${LONG}${LONG}${LONG}xyz tail\n" "@P@" \
			"Error opening file ${LONG}${LONG}${LONG}xyz$why\n" 1
	done
}

# what cannot be read or written fails, with one message
test_io_failures() {
	for prog in csvroster wordroster; do
		table "$prog" <<-'ROWS'
		dir\n    | @P@ | Error reading file dir\n        | 1
		roster\n |    | Error writing standard output\n | 1 | >/dev/full
		roster\n |    | Error writing standard output\n | 1 | >&-
		nope\n   |    | Error opening file nope\n       | 1 | >/dev/full
		dir\n    |    | Error reading file dir\n        | 1 | >/dev/full
		ROWS
	done
}

# standard error is written at once, the prompt only at exit
test_stream_order() {
	for prog in csvroster wordroster; do
		echo nope | "$BIN/$prog" >both 2>&1 && return 1
		[ "$(cat both)" = "Error opening file nope
$P" ]
	done
}

run_test "$1"
