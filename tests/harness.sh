# shellcheck shell=bash
# Sourced by the whole-program suites: `SUITE.sh NAME` runs the function
# test_NAME in a fresh directory and exits 0 only if it passed. Any failing
# command fails the test and is shown with its line.
set -eEu -o pipefail
: "${BIN:?BIN must name the directory of the built programs}"

# skip REASON: the test cannot tell anything here; CTest reports it skipped.
skip() {
	echo "skipped: $*"
	exit 77
}

run_test() {
	work=$(mktemp -d)
	trap 'rm -rf "$work"' EXIT
	# Failures inside $(...) are results being captured, not test failures.
	trap '[ "$BASH_SUBSHELL" -gt 0 ] ||
		echo "failed at ${BASH_SOURCE[0]##*/}:$LINENO: $BASH_COMMAND" >&2' ERR
	cd "$work"
	if declare -F setup >/dev/null; then setup; fi
	"test_$1"
}
