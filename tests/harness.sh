# shellcheck shell=bash
# Sourced by the whole-program suites: `SUITE.sh NAME` runs the function
# test_NAME in a fresh directory, between a suite's setup and teardown if
# it has them, and exits 0 only if it passed. Any failing
# command fails the test and is shown with its line.
#
# What a program wrote is always compared as bytes, in files, through
# `holds` or `same`: never through $(...) or a variable, which drop zero
# bytes and line ends.
set -eEu -o pipefail
: "${BIN:?BIN must name the directory of the built programs}"

# RUNNER, if set, is put before every program: a memory checker, or an
# emulator for programs built for another machine, as shell words. Expanded
# as ${runner[@]+"${runner[@]}"}: bash before 4.4 (macOS's) takes an empty
# array for an unset variable.
runner=()
eval "runner=(${RUNNER:-})"
# EXE ends the programs' names (.exe on Windows).
EXE=${EXE:-}

# windows: the programs are Windows programs, run under wine.
windows() {
	[ "${SYSTEM:-}" = Windows ]
}

# wasi: the programs are WebAssembly modules on WASI, run under Node's
# WASI, which hands a program its arguments as text, and opens /dev/null in
# place of a standard stream closed before it starts.
wasi() {
	[ "${SYSTEM:-}" = WASI ]
}

# skip REASON: the test cannot tell anything here; CTest reports it skipped.
skip() {
	echo "skipped: $*"
	exit 77
}

# through PATH [ARG...]: runs the program at PATH through the runner.
through() {
	${runner[@]+"${runner[@]}"} "$@"
}

# program NAME [ARG...]: runs the built program NAME.
program() {
	through "$BIN/$1$EXE" "${@:2}"
}

# run_words COMMAND...: the shell words that run COMMAND through the
# runner.
run_words() {
	printf '%q ' ${runner[@]+"${runner[@]}"} "$@"
}

# command_line NAME: the shell words that run the built program NAME.
command_line() {
	run_words "$BIN/$1$EXE"
}

# under_wine: the programs run under wine.
under_wine() {
	[[ ${RUNNER:-} == *wine* ]]
}

# invoked PATH: the name a program run as PATH is given; wine gives it a
# Unix path on drive Z:, with backslashes.
invoked() {
	if under_wine; then
		printf 'Z:%s' "${1//\//\\}"
	else
		printf '%s' "$1"
	fi
}

# status N COMMAND...: COMMAND must end with status N.
status() {
	local want=$1 code=0
	shift
	"$@" || code=$?
	[ "$code" = "$want" ] && return
	echo "status $code, expected $want: $*" >&2
	return 1
}

# same EXPECTED ACTUAL: the two files hold the same bytes.
same() {
	cmp -s "$1" "$2" && return
	{
		echo "$2 is not as expected. Expected:"
		od -c "$1"
		echo "Actual:"
		od -c "$2"
	} >&2
	return 1
}

# holds FILE FORMAT [ARG...]: FILE holds exactly what printf writes.
holds() {
	local file=$1
	shift
	# shellcheck disable=SC2059
	printf -- "$@" >"$file.want"
	same "$file.want" "$file"
}

# The listers' prompt and report line.
# shellcheck disable=SC2034
PROMPT='Enter the input file name: '
REPORT='Reg. No. = %s, Name = %s, CGPA = %s\n'

# report REG_NO NAME CGPA...: the report lines of those fields.
report() {
	# shellcheck disable=SC2059
	printf "$REPORT" "$@"
}

# lists PROGRAM DIR/CASE: PROGRAM lists the roster DIR/CASE.in, its name
# typed at the prompt, exactly as DIR/CASE.out, with nothing on standard
# error and status 0.
lists() {
	(cd "${2%/*}" && printf '%s\n' "${2##*/}.in" |
		status 0 program "$1") >listed 2>errors
	same "$2.out" listed
	same /dev/null errors
}

run_test() {
	work=$(mktemp -d)
	trap 'if declare -F teardown >/dev/null; then teardown; fi; rm -rf "$work"' EXIT
	# Failures inside $(...) are results being captured, not test failures.
	trap '[ "$BASH_SUBSHELL" -gt 0 ] ||
		echo "failed at ${BASH_SOURCE[0]##*/}:$LINENO: $BASH_COMMAND" >&2' ERR
	cd "$work"
	if declare -F setup >/dev/null; then setup; fi
	"test_$1"
}
