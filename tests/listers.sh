#!/usr/bin/env bash
# The listing driver through the real programs: what is typed at the prompt,
# what cannot be opened, read or written, and the exit status of each.

. "$(dirname "$0")/harness.sh"

LONG=$(printf 'n%.0s' {1..39})

setup() {
	printf 'R1,Alice,8.5\n' >roster
	cp roster "$LONG"
	cp roster Zoë.csv
	cp roster 李小龍.csv
	mkdir dir
}

# check PROG TYPED STDOUT STDERR STATUS [REDIRECT]: runs PROG with TYPED
# at its standard input; its standard output, standard error and status
# must be exactly these. TYPED, STDOUT and STDERR are printf escapes; in
# STDOUT, @P@ stands for the prompt and @R@ for PROG's report of roster.
check() {
	local prog=$1 want_out=$3 code=0 fields
	fields=(R1 Alice 8.500000)
	[ "$prog" = csvroster ] || fields=('R1,Alice,8.5' '' 0.000000)
	want_out=${want_out//@P@/$PROMPT}
	want_out=${want_out//@R@/$(report "${fields[@]}")\\n}
	printf '%b' "$2" >typed
	eval "program \"\$prog\" <typed >out 2>err ${6:-}" || code=$?
	holds out '%b' "$want_out" && holds err '%b' "$4" && [ "$code" = "$5" ] ||
		{ echo "$prog, typed '$2': status $code (expected $5)"; return 1; }
}

# Rows: typed | standard output | standard error | status [| redirections]
# A row that writes to /dev/full is left out where there is none (macOS),
# and one that closes standard output where it cannot be closed (WASI).
table() {
	local prog=$1 typed out err code extra
	while IFS='|' read -r typed out err code extra; do
		[ -n "$typed" ] || continue
		case $extra in *"/dev/full"*) [ -e /dev/full ] || continue ;; esac
		case $extra in *">&-"*) ! wasi || continue ;; esac
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
		Zoë.csv\n               | @P@@R@ |                          | 0
		李小龍.csv\n            | @P@@R@ |                          | 0
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

# what cannot be read or written fails, with one message; Windows opens no
# directory as a file
test_io_failures() {
	local dir=reading
	! windows || dir=opening
	for prog in csvroster wordroster; do
		table "$prog" <<-ROWS
		dir\n    | @P@ | Error $dir file dir\n           | 1
		roster\n |    | Error writing standard output\n | 1 | >/dev/full
		roster\n |    | Error writing standard output\n | 1 | >&-
		nope\n   |    | Error opening file nope\n       | 1 | >/dev/full
		dir\n    |    | Error $dir file dir\n           | 1 | >/dev/full
		ROWS
	done
}

# Reports that cannot all be written after the prompt fail the run: what
# went out is the start of the listing.
test_lost_reports() {
	for ((i = 0; i < 100; i++)); do echo "R$i,Alice,8.5"; done >many
	# wine's server, started under the limit, fails itself: a program
	# waiting for its name holds one up, started outside it. Only sleep
	# holds the name's other end, for a minute at most.
	if under_wine; then
		mkfifo name
		program csvroster <name >/dev/null 2>&1 &
		holder=$!
		sleep 60 >name 2>/dev/null &
		writer=$!
	fi
	for prog in csvroster wordroster; do
		echo many | program "$prog" >whole
		(
			trap '' XFSZ
			ulimit -f 1
			echo many | status 1 program "$prog" >out 2>err
		)
		head -c 1024 whole >start
		same start out
		holds err 'Error writing standard output\n'
	done
	if under_wine; then
		kill "$writer"
		status 1 wait "$holder"
	fi
}

# standard error is written at once, the prompt only at exit
test_stream_order() {
	for prog in csvroster wordroster; do
		echo nope | status 1 program "$prog" >both 2>&1
		holds both 'Error opening file nope\n%s' "$PROMPT"
	done
}

# A roster that follows its name down a pipe, a file or a FIFO is listed
# from standard input: reading the name took nothing of it. Windows and
# WASI have no /dev/stdin: there a file is read on from where its own name
# ends. A file that names another file lists that other file.
test_roster_after_name() {
	{
		printf '%s' "$PROMPT"
		report R1 Alice 8.500000 R2 Bo 7.000000
	} >want
	printf 'R1,Alice,8.5\nR2,Bo,7\n' >csvroster.rows
	tr , ' ' <csvroster.rows >wordroster.rows
	mkfifo fifo
	for prog in csvroster wordroster; do
		name=/dev/stdin
		! windows && ! wasi || name=$prog.in
		{ echo "$name"; cat "$prog.rows"; } >"$prog.in"
		status 0 program "$prog" <"$prog.in" >out
		same want out
		echo "$prog.rows" >other
		status 0 program "$prog" <other >out
		same want out
		! windows && ! wasi || continue
		cat "$prog.in" | status 0 program "$prog" >out
		same want out
		cat "$prog.in" >fifo &
		status 0 program "$prog" <fifo >out
		wait
		same want out
		# Past 2 GiB, where stat fails for a 32-bit program not built for
		# large files. Started over, it would list the hole before the
		# name: its output is held to a few blocks. dd seeks over the
		# hole and reads the block behind it (count=0 copies all on BSD).
		dd if=/dev/null of=big bs=1048576 seek=2049 2>/dev/null
		cat "$prog.in" >>big
		(
			ulimit -f 8
			{ dd bs=1048576 skip=2048 count=1 of=/dev/null 2>/dev/null &&
				status 0 program "$prog"; } <big >out
		)
		same want out
		rm big
	done
}

# Reports leave a block at a time, however many lines: never a write each.
test_block_writes() {
	[ -z "${RUNNER:-}" ] || skip "would count the runner's writes"
	command -v strace >/dev/null || skip "no strace"
	strace -o /dev/null true 2>/dev/null || skip "strace cannot trace here"
	for ((i = 0; i < 20000; i++)); do echo "R$i,Alice,8.5"; done >many
	# LeakSanitizer cannot run under ptrace.
	echo many | ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 \
		strace -o trace -e trace=write "$BIN/csvroster" >out
	writes=$(grep -c '^write(1,' trace)
	bytes=$(wc -c <out)
	# The prompt, then one a block of 64 KiB.
	[ "$writes" -le $((bytes / 60000 + 2)) ] ||
		{ echo "$writes writes for $bytes bytes"; return 1; }
}

run_test "$1"
