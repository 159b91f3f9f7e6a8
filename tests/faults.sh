#!/usr/bin/env bash
# The listers on what a roster can hold and what a name can be: odd bytes,
# overlong lines, a FIFO, an unreadable file, and files of any length in
# the same memory.

. "$(dirname "$0")/harness.sh"

P='Enter the input file name: '

# lists PROG NAME REPORT: PROG lists NAME.in as REPORT (printf escapes),
# checked as a golden case is.
lists() {
	printf '%s%b' "$P" "$3" >"$2.out"
	sh "$SRC/tests/golden.sh" "$BIN/$1" "$PWD/$2.in"
}

# A zero byte ends the text a reader sees; high bytes and carriage returns
# are ordinary bytes.
test_odd_bytes() {
	printf 'R1,Al\000ice,8.5\nR\351,N\377\200,7.5\n\000R2,B,1\nR3,C,2.5\r\n' >csv.in
	lists csvroster csv 'Reg. No. = R1, Name = Al, CGPA = 0.000000
Reg. No. = R\351, Name = N\377\200, CGPA = 7.500000
Reg. No. = , Name = , CGPA = 0.000000
Reg. No. = R3, Name = C, CGPA = 2.500000\n'
	printf 'R1 Al\000ice 8.5\nR\351 N\377\240X 7.5\n\000R2 B 1\nR3 C 2.5\r\n' >txt.in
	lists wordroster txt 'Reg. No. = R1, Name = Al, CGPA = 0.000000
Reg. No. = R\351, Name = N\377\240X, CGPA = 7.500000
Reg. No. = R\351, Name = N\377\240X, CGPA = 7.500000
Reg. No. = R3, Name = C, CGPA = 2.500000\n'
}

# No file name holds a zero byte: the one typed is refused, not the file
# named by what comes before it opened.
test_zero_byte_name() {
	printf 'R1,Ann,8.5\n' >roster
	for prog in csvroster wordroster; do
		code=0
		printf 'roster\000x\n' | "$BIN/$prog" >out 2>err || code=$?
		[ "$code" = 1 ]
		printf '%s' "$P" | cmp - out
		printf 'Error opening file roster\000x\n' | cmp - err
	done
}

# 100,000 bytes are 392 pieces of 255 and one of 40 with the line end.
test_long_line() {
	local a31 piece report=
	a31=$(printf 'a%.0s' {1..31})
	piece="Reg. No. = $a31, Name = , CGPA = 0.000000\n"
	for ((i = 0; i < 393; i++)); do report+=$piece; done
	{ printf 'a%.0s' {1..100000}; printf '\nR9,Z,1\n'; } >csv.in
	lists csvroster csv "${report}Reg. No. = R9, Name = Z, CGPA = 1.000000\n"
	{ printf 'a%.0s' {1..100000}; printf '\nR9 Z 1\n'; } >txt.in
	lists wordroster txt "${report}Reg. No. = R9, Name = Z, CGPA = 1.000000\n"
}

# A FIFO is read front to back like any stream.
test_fifo() {
	mkfifo pipe.in
	printf 'R1,Ann,8.5\nR2,Bo,7\n' >pipe.in &
	lists csvroster pipe 'Reg. No. = R1, Name = Ann, CGPA = 8.500000
Reg. No. = R2, Name = Bo, CGPA = 7.000000\n'
	wait
}

# A read that fails part-way: every line read whole is listed, the one the
# failure cut short is not, then the message and status 1.
test_read_error() {
	command -v strace >/dev/null || skip "no strace"
	strace -o /dev/null true 2>/dev/null || skip "strace cannot trace here"
	for ((i = 1; i <= 20000; i++)); do echo "R$i,Asha,8.75"; done >roster
	for prog in csvroster wordroster; do
		echo roster | "$BIN/$prog" >whole
		code=0
		# LeakSanitizer cannot run under ptrace.
		echo roster | ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 \
			strace -o /dev/null -P "$(pwd -P)/roster" -e trace=read \
			-e inject=read:error=EIO:when=2 -- "$BIN/$prog" >out 2>err || code=$?
		[ "$code" = 1 ]
		[ "$(cat err)" = "Error reading file roster" ]
		lines=$(wc -l <out)
		[ "$lines" -gt 0 ] && [ "$lines" -lt 20000 ]
		head -n "$lines" whole | cmp - out
	done
}

# At a terminal each report shows as soon as its line has been read, even
# while the roster, a FIFO here, stays open.
test_terminal() {
	command -v script >/dev/null || skip "no script"
	mkfifo pipe
	# shellcheck disable=SC2016
	script -qfec 'echo pipe | "$BIN/csvroster"' log </dev/null >/dev/null &
	exec 3>pipe
	printf 'R1,Ann,8.5\n' >&3
	shows 'R1, Name = Ann'
	! grep -q 'R2' log
	printf 'R2,Bo,7\n' >&3
	shows 'R2, Name = Bo'
	exec 3>&-
	wait
}

# shows TEXT: the terminal's log shows TEXT within ten seconds.
shows() {
	for ((i = 0; i < 100; i++)); do
		grep -q "$1" log && return
		sleep 0.1
	done
	echo "not shown: $1"; cat -A log
	return 1
}

test_unreadable() {
	[ "$(id -u)" != 0 ] || skip "root reads every file"
	printf 'R1,Ann,8.5\n' >secret
	chmod 000 secret
	for prog in csvroster wordroster; do
		[ "$(echo secret | "$BIN/$prog" 2>&1 >/dev/null; echo "status $?")" = \
			"Error opening file secret
status 1" ]
	done
}

# A roster of many read blocks, its lines of every length up to a piece,
# is listed as awk lists it: no line is lost, split or doubled where a
# block ends.
test_many_blocks() {
	awk 'BEGIN {
		srand(9)
		for (i = 0; i < 8000; i++) {
			for (name = "n"; length(name) < 200 && rand() < 0.98; ) name = name "n"
			printf "R%d,%s,%.2f\n", i, name, rand() * 10
		}
	}' >roster
	tr , ' ' <roster >words
	for prog in csvroster:roster wordroster:words; do
		echo "${prog#*:}" | "$BIN/${prog%:*}" >out
		{ printf '%s' "$P"; awk -F'[, ]' '{ printf "Reg. No. = %s, Name = %s, CGPA = %f\n",
			$1, substr($2, 1, 31), $3 }' "${prog#*:}"; } | cmp - out
	done
}

# One line buffer, one record, fixed blocks: ten million lines take no
# more memory than a thousand.
test_constant_memory() {
	local small big
	head -n 1000 <(yes 'CS210001,Asha Rao,8.72') >small
	mkfifo big
	for prog in csvroster wordroster; do
		echo small | "$TOOLS/peak_rss" small.kib "$BIN/$prog" >/dev/null
		head -n 10000000 <(yes 'CS210001,Asha Rao,8.72') >big &
		echo big | "$TOOLS/peak_rss" big.kib "$BIN/$prog" >/dev/null
		wait
		small=$(cat small.kib) big=$(cat big.kib)
		echo "$prog: $small KiB over 1,000 lines, $big KiB over 10,000,000"
		[ $((big - small)) -le 1024 ]
	done
}

run_test "$1"
