#!/usr/bin/env bash
# The listers on what a roster can hold and what a name can be: odd bytes,
# overlong lines, a FIFO, a terminal, an unreadable file, and files of any
# length in the same memory.

. "$(dirname "$0")/harness.sh"

# expect NAME REG_NO NAME CGPA...: NAME.out is the prompt and these reports.
expect() {
	local name=$1
	shift
	{
		printf '%s' "$PROMPT"
		report "$@"
	} >"$name.out"
}

# A zero byte ends the text a reader sees; high bytes, control bytes and
# carriage returns are ordinary bytes.
test_odd_bytes() {
	printf 'R1,Al\000ice,8.5\nR\351,N\377\200,7.5\n\000R2,B,1\nR3,C,2.5\r\n' >csv.in
	expect csv R1 Al 0.000000 $'R\351' $'N\377\200' 7.500000 '' '' 0.000000 \
		R3 C 2.500000
	lists csvroster "$PWD/csv"
	printf 'R1 Al\000ice 8.5\nR\351 N\377\240X 7.5\n\000R2 B 1\nR3 C\001D 2.5\r\n' >txt.in
	expect txt R1 Al 0.000000 $'R\351' $'N\377\240X' 7.500000 \
		$'R\351' $'N\377\240X' 7.500000 R3 $'C\001D' 2.500000
	lists wordroster "$PWD/txt"
}

# No file name holds a zero byte: the one typed is refused, not the file
# named by what comes before it opened.
test_zero_byte_name() {
	printf 'R1,Ann,8.5\n' >roster
	for prog in csvroster wordroster; do
		printf 'roster\000x\n' | status 1 program "$prog" >out 2>err
		holds out '%s' "$PROMPT"
		holds err 'Error opening file roster\000x\n'
	done
}

# 100,000 bytes are 392 pieces of 255 and one of 40 with the line end.
test_long_line() {
	local a31 i fields=()
	a31=$(printf 'a%.0s' {1..31})
	for ((i = 0; i < 393; i++)); do fields+=("$a31" '' 0.000000); done
	fields+=(R9 Z 1.000000)
	{ printf 'a%.0s' {1..100000}; printf '\nR9,Z,1\n'; } >csv.in
	expect csv "${fields[@]}"
	lists csvroster "$PWD/csv"
	tr , ' ' <csv.in >txt.in
	cp csv.out txt.out
	lists wordroster "$PWD/txt"
}

# A FIFO is read front to back like any stream.
test_fifo() {
	mkfifo pipe.in
	printf 'R1,Ann,8.5\nR2,Bo,7\n' >pipe.in &
	expect pipe R1 Ann 8.500000 R2 Bo 7.000000
	lists csvroster "$PWD/pipe"
	wait
}

# A read that fails part-way: every line read whole is listed, the one the
# failure cut short is not, then the message and status 1.
test_read_error() {
	command -v strace >/dev/null || skip "no strace"
	strace -o /dev/null true 2>/dev/null || skip "strace cannot trace here"
	for ((i = 1; i <= 20000; i++)); do echo "R$i,Asha,8.75"; done >roster
	for prog in csvroster wordroster; do
		echo roster | program "$prog" >whole
		# LeakSanitizer cannot run under ptrace.
		echo roster | ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 \
			status 1 strace -f -o /dev/null -P "$(pwd -P)/roster" \
			-e trace=read -e inject=read:error=EIO:when=2 -- \
			bash -c "exec $(command_line "$prog")" >out 2>err
		holds err 'Error reading file roster\n'
		lines=$(($(wc -l <out)))
		[ "$lines" -gt 0 ] && [ "$lines" -lt 20000 ]
		head -n "$lines" whole >start
		same start out
	done
}

# At a terminal the prompt shows at once and each report as soon as its
# line has been read, even while the roster, a FIFO here, stays open.
test_terminal() {
	if windows; then
		terminal_pipes
		under_wine || skip "the console's rows read wine's console, drawn by tmux"
		windows_console
		return
	fi
	script -qfec true /dev/null </dev/null >/dev/null 2>&1 ||
		skip "no script of util-linux"
	local command sep
	mkfifo pipe
	for prog in 'csvroster:,' 'wordroster: '; do
		sep=${prog#*:}
		command=$(command_line "${prog%:*}")
		script -qfec "echo pipe | $command" /dev/null </dev/null >screen &
		shows
		exec 3>pipe
		printf 'R1%sAnn%s8.5\n' "$sep" "$sep" >&3
		shows R1 Ann 8.500000
		printf 'R2%sBo%s7\n' "$sep" "$sep" >&3
		shows R1 Ann 8.500000 R2 Bo 7.000000
		exec 3>&-
		status 0 wait $!
		same screen.want screen
	done
}

# shows [REG_NO NAME CGPA...]: within ten seconds the terminal shows
# exactly the prompt and these reports, and nothing more.
shows() {
	{
		printf '%s' "$PROMPT"
		[ $# = 0 ] || report "$@" | awk '{ printf "%s\r\n", $0 }'
	} >screen.want
	settles screen.want screen
}

# settles WANT ACTUAL: within ten seconds ACTUAL holds what WANT holds.
settles() {
	for ((i = 0; i < 100; i++)); do
		cmp -s "$1" "$2" && return
		sleep 0.1
	done
	same "$1" "$2"
}

# Git Bash's terminal gives a Windows program pipes named as its own: the
# prompt comes before the name is typed.
terminal_pipes() {
	printf 'R1,Ann,8.5\n' >roster
	status 0 through "$TOOLS/launch.exe" --pty roster \
		"$(invoked "$BIN/csvroster.exe")" >listed
	{
		printf '%s' "$PROMPT"
		report R1 Ann 8.500000
	} >listed.want
	same listed.want listed
}

# A Windows console, wine's on a terminal of tmux's: the prompt shows
# before the name is read, typed text is read and written text shown as its
# characters, bytes that are no UTF-8 as U+FFFD. A console of its own, as
# Explorer gives a program, waits for Enter at the end, whatever the
# outcome; under cmd /c, which shares it, or a shell that hands its
# handles over, nothing waits.
windows_console() {
	command -v tmux >/dev/null || skip "no tmux"
	printf 'R1,李小龍,8.5\nR2,Zo\353,7\n' >Zoë.csv
	local enter='Press Enter to close this window.'
	local listed=("${PROMPT}Zoë.csv" "Reg. No. = R1, Name = 李小龍, CGPA = 8.500000"
		"Reg. No. = R2, Name = Zo$(printf '\357\277\275'), CGPA = 7.000000")
	console "$(command_line csvroster)"
	on_screen "${PROMPT% }"
	keys Zoë.csv Enter
	on_screen "${listed[@]}" "$enter"
	[ ! -e status ]
	keys Enter
	ends_with 0
	console "$(command_line duomatch) 中文"
	on_screen 'Usage: duomatch <string1> <string2>' "$enter"
	keys Enter
	ends_with 1
	console "$(run_words cmd /c "$(invoked "$BIN/csvroster.exe")")"
	on_screen "${PROMPT% }"
	keys Zoë.csv Enter
	ends_with 0
	on_screen "${listed[@]}" ''
	# A shell that hands its handles over owns the window, even where the
	# console is the program's alone (Git Bash's pseudo console).
	console "$(run_words "$TOOLS/launch.exe" --handed \
		"$(invoked "$BIN/csvroster.exe")")"
	on_screen "${PROMPT% }"
	keys Zoë.csv Enter
	ends_with 0
	on_screen "${listed[@]}" ''
	# A roster typed after naming the console (CONIN$, as /dev/tty on
	# Linux) lists as one typed at a Unix terminal: each line ends in a
	# line end alone. set /p shows when the console reads; closing the
	# terminal ends the roster.
	# Words of their own, so that wine quotes the path alone for cmd.
	console "trap '' HUP; $(run_words cmd /c set /p x=ready '&' \
		"$(invoked "$BIN/csvroster.exe")" '>typed')"
	on_screen ready
	keys Enter CONIN$ Enter A1,Zoë Enter R2,Bo,7 Enter
	on_screen ready CONIN$ A1,Zoë R2,Bo,7
	tmux -S "tmux.$consoles" kill-server
	{
		printf '%s' "$PROMPT"
		report A1 $'Zoë\n' 0.000000 R2 Bo 7.000000
	} >typed.want
	settles typed.want typed
}

# console COMMAND: runs COMMAND at a new terminal of tmux's, which writes
# its status to the file status when it ends.
console() {
	rm -f status
	consoles=$((${consoles:-0} + 1))
	tmux -S "tmux.$consoles" -u new-session -d -x 100 -y 8 \
		"$1; echo \$? >status; sleep 60"
}

# Terminals still open are closed; one a test closed may leave its socket.
teardown() {
	local socket
	for socket in tmux.*; do
		[ ! -S "$socket" ] || tmux -S "$socket" kill-server 2>/dev/null ||
			true
	done
}

# keys KEY...: typed at the newest terminal.
keys() {
	tmux -S "tmux.$consoles" send-keys "$@"
}

# on_screen LINE...: within ten seconds the screen's first lines are these.
on_screen() {
	printf '%s\n' "$@" >screen.want
	for ((i = 0; i < 100; i++)); do
		tmux -S "tmux.$consoles" capture-pane -p | head -n $# >screen
		cmp -s screen.want screen && return
		sleep 0.1
	done
	same screen.want screen
}

# ends_with STATUS: within ten seconds the command ends with STATUS.
ends_with() {
	for ((i = 0; i < 100; i++)); do
		[ ! -s status ] || break
		sleep 0.1
	done
	holds status '%s\n' "$1"
}

test_unreadable() {
	[ "$(id -u)" != 0 ] || skip "root reads every file"
	printf 'R1,Ann,8.5\n' >secret
	chmod 000 secret
	for prog in csvroster wordroster; do
		echo secret | status 1 program "$prog" >/dev/null 2>err
		holds err 'Error opening file secret\n'
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
		echo "${prog#*:}" | program "${prog%:*}" >out
		{
			printf '%s' "$PROMPT"
			awk -F'[, ]' -v report="$REPORT" '{ printf report, $1,
				substr($2, 1, 31), sprintf("%f", $3) }' "${prog#*:}"
		} >want
		same want out
	done
}

# One line buffer, one record, fixed blocks: ten million lines take no
# more memory than a thousand.
test_constant_memory() {
	[ -z "${RUNNER:-}" ] || skip "measures the runner, not the program"
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
