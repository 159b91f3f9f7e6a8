#!/usr/bin/env bash
# What a user installs: the manual pages render cleanly, a staged install
# works, and the Debian package holds the programs and their pages.

. "$(dirname "$0")/harness.sh"
: "${SRC:?SRC must name the source tree}"

PAGES=(roster/csvroster.1 roster/wordroster.1 duomatch/duomatch.1)

test_manual_pages() {
	command -v groff >/dev/null || skip "no groff"
	for page in "${PAGES[@]}"; do
		[ -z "$(groff -man -ww -z "$SRC/$page" 2>&1)" ] ||
			{ groff -man -ww -z "$SRC/$page"; return 1; }
	done
}

test_staged_install() {
	DESTDIR=$PWD/stage cmake --install "$BIN" --prefix /usr >/dev/null
	for page in csvroster wordroster duomatch; do
		[ -x "stage/usr/bin/$page" ]
		zcat "stage/usr/share/man/man1/$page.1.gz" | cmp - "$SRC"/*/"$page.1"
	done
	for prog in csvroster:roster.csv wordroster:roster.txt; do
		echo "$SRC/examples/${prog#*:}" | "stage/usr/bin/${prog%:*}" >installed
		echo "$SRC/examples/${prog#*:}" | "$BIN/${prog%:*}" >built
		cmp installed built
		[ "$(wc -l <installed)" = 4 ]
	done
	[ "$(stage/usr/bin/duomatch a a | tail -n 1)" = "The two strings are equal" ]
}

# The programs load the C library alone: nothing of C++'s runtime.
test_c_library_only() {
	command -v readelf >/dev/null || skip "no readelf"
	for prog in csvroster wordroster duomatch; do
		needed=$(readelf -d "$BIN/$prog" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
		case $needed in *san*) skip "a sanitizer build loads its runtime" ;; esac
		[ "$needed" = libc.so.6 ] || { echo "$prog loads:" $needed; return 1; }
	done
}

test_debian_package() {
	command -v dpkg-deb >/dev/null || skip "no dpkg-deb"
	cpack -G DEB --config "$BIN/CPackConfig.cmake" -B "$PWD" >/dev/null
	dpkg-deb -c ./*.deb >contents
	for prog in csvroster wordroster duomatch; do
		grep -q " ./usr/bin/$prog\$" contents
		grep -q " ./usr/share/man/man1/$prog.1.gz\$" contents
	done
}

run_test "$1"
