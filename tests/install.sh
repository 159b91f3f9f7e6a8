#!/usr/bin/env bash
# What a user installs: the manual pages render cleanly, a staged install
# works, the programs load the C library alone, the samples and the notes'
# first commands, the ARMv6 code of 32-bit ARM downloads, and the Debian
# package holds everything and passes lintian.

. "$(dirname "$0")/harness.sh"
: "${SRC:?SRC must name the source tree}" "${VERSION:?VERSION must be the project version}"

PROGRAMS=(csvroster wordroster duomatch)

# The pages as installed, version filled in, render without a warning.
test_manual_pages() {
	command -v groff >/dev/null || skip "no groff"
	for prog in "${PROGRAMS[@]}"; do
		page=$BIN/release/$prog.1
		[ -z "$(groff -man -ww -z "$page" 2>&1)" ] ||
			{ groff -man -ww -z "$page"; return 1; }
		grep -q "^\.TH [A-Z]* 1 [0-9-]* \"roster $VERSION\" " "$page"
	done
}

test_staged_install() {
	! windows || skip "Windows installs what the ZIP holds"
	DESTDIR=$PWD/stage cmake --install "$BIN" --prefix /usr >/dev/null
	stage=$PWD/stage/usr
	for prog in "${PROGRAMS[@]}"; do
		[ -x "$stage/bin/$prog$EXE" ]
		gzip -dc "$stage/share/man/man1/$prog.1.gz" | cmp - "$BIN/release/$prog.1"
	done
	if [ "${PACKAGE:-}" = TGZ ]; then
		# The tarball's: the licence, the note and the samples at its top,
		# where the note's first command lists one.
		same "$SRC/LICENSE" "$stage/LICENSE"
		same "$SRC/packaging/linux.txt" "$stage/README.txt"
		samples "$stage"
		read -r _ name _ prog < <(grep -m 1 '^  echo ' "$stage/README.txt")
		(cd "$stage" && echo "$name" | through "$prog") >first
		(cd "$SRC/examples" && echo "$name" | program "${prog#bin/}") >built
		same built first
		[ "${MACHINE:-}" != armv6 ] || armv6 "$stage"/bin/*
	else
		same "$SRC/packaging/copyright" "$stage/share/doc/roster/copyright"
		samples "$stage/share/doc/roster/examples"
		gzip -dc "$stage/share/doc/roster/changelog.gz" >changelog
		head -n 1 changelog >first
		holds first 'roster (%s) unstable; urgency=medium\n' "$VERSION"
		if grep -n '@[A-Z_]*@' changelog; then return 1; fi
	fi
	# Typed relative to the examples: a roster's name holds 39 bytes.
	for prog in csvroster:roster.csv wordroster:roster.txt; do
		(cd "$SRC/examples" && echo "${prog#*:}" |
			through "$stage/bin/${prog%:*}$EXE") >installed
		(cd "$SRC/examples" && echo "${prog#*:}" | program "${prog%:*}") >built
		same built installed
		[ "$(wc -l <installed)" -eq 4 ]
	done
}

# The programs load the C library alone: nothing of C++'s runtime. Some
# machines name the loader too (arm64 keeps the stack guard there), which
# every program loads anyway. The C library is glibc's, musl's or
# FreeBSD's, as GNU readelf reports it. Windows programs import Windows'
# own KERNEL32 and its C runtime alone, so that one copied anywhere runs,
# and take every address-space hardening. A WebAssembly module imports
# WASI's calls alone, which a page gives it.
test_c_library_only() {
	if windows; then
		windows_imports
		return
	fi
	if wasi; then
		for prog in "${PROGRAMS[@]}"; do
			node -e 'for (const i of WebAssembly.Module.imports(new WebAssembly.Module(
				require("fs").readFileSync(process.argv[1])))) console.log(i.module, i.name)' \
				"$BIN/$prog.wasm" >imports
			if grep -v '^wasi_snapshot_preview1 ' imports; then
				echo "$prog imports these"
				return 1
			fi
		done
		return
	fi
	readelf --version 2>/dev/null | grep -q '^GNU readelf' ||
		skip "no GNU readelf"
	for prog in "${PROGRAMS[@]}"; do
		readelf -d "$BIN/$prog" >dynamic
		grep -q '(NEEDED)' dynamic || skip "statically linked: loads nothing"
		needed=$(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' dynamic | grep -v '^ld')
		case $needed in
		*san*) skip "a sanitizer build loads its runtime" ;;
		libc.so.6 | libc.musl-*.so.1 | libc.so.7) ;;
		*) echo "$prog loads:" $needed; return 1 ;;
		esac
		# 32-bit programs read files of any size and inode: they import
		# the 64-bit file calls, never those of 32-bit offsets.
		readelf -h "$BIN/$prog" | grep -q 'Class: *ELF32' || continue
		readelf --dyn-syms -W "$BIN/$prog" |
			awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }' >imports
		if grep -x -E 'open|lseek|stat|fstat' imports; then
			echo "$prog imports these calls of 32-bit offsets"
			return 1
		fi
	done
}

# samples FOLDER: FOLDER holds the sample rosters.
samples() {
	same "$SRC/examples/roster.csv" "$1/roster.csv"
	same "$SRC/examples/roster.txt" "$1/roster.txt"
}

# armv6 PROGRAM...: 32-bit ARM programs that every Raspberry Pi runs, the
# Pi Zero and Pi 1 among them: ARMv6 code with VFPv2 and no Thumb-2, start
# files included, as the attributes that the linker merges say.
armv6() {
	for prog in "$@"; do
		readelf -A "$prog" >attributes
		grep -q -x -E '  Tag_CPU_arch: v6(K|KZ)?' attributes &&
			grep -q -x '  Tag_FP_arch: VFPv2' attributes &&
			if grep -q 'Thumb-2' attributes; then false; fi ||
			{ echo "$prog is not ARMv6 alone:"; cat attributes; return 1; }
	done
}

# The ZIP a Windows user unpacks and runs: the programs, the samples, the
# licence, the manual pages as text and the note for Windows users, in one
# folder. The note's first step lists a sample.
test_windows_zip() {
	windows || skip "the ZIP is Windows'"
	command -v unzip >/dev/null || skip "no unzip"
	cpack -G ZIP --config "$BIN/CPackConfig.cmake" -B "$PWD" >/dev/null
	top=roster-$VERSION-win64
	unzip -Z1 "$top.zip" | sort >contents
	printf "$top/%s\n" LICENSE.txt README.txt csvroster.exe csvroster.txt \
		duomatch.exe duomatch.txt wordroster.exe wordroster.txt roster.csv \
		roster.txt | sort >want
	same want contents
	unzip -q "$top.zip"
	same "$SRC/LICENSE" "$top/LICENSE.txt"
	same "$SRC/packaging/windows.txt" "$top/README.txt"
	for prog in "${PROGRAMS[@]}"; do
		# As man shows it, without overstrikes.
		grep -q "^$(echo "$prog" | tr a-z A-Z)(1) " "$top/$prog.txt"
		if grep -q $'\b' "$top/$prog.txt"; then return 1; fi
	done
	samples "$top"
	grep -q '^Type roster.csv' "$top/README.txt"
	for prog in csvroster:roster.csv wordroster:roster.txt; do
		(cd "$top" && echo "${prog#*:}" | through "./${prog%:*}.exe") >unpacked
		(cd "$SRC/examples" && echo "${prog#*:}" | program "${prog%:*}") >built
		same built unpacked
	done
}

windows_imports() {
	for prog in "${PROGRAMS[@]}"; do
		"${OBJDUMP:?OBJDUMP must name the toolchain objdump}" -p \
			"$BIN/$prog.exe" >headers
		sed -n 's/^[[:space:]]*DLL Name: //p' headers >dlls
		if grep -v -i -x -E 'kernel32\.dll|msvcrt\.dll|ucrtbase\.dll|api-ms-win-crt-[a-z0-9-]+\.dll' dlls; then
			echo "$prog imports these"
			return 1
		fi
		# Numbers are read and written by MinGW-w64's own code, linked
		# in: nothing of the C runtime's converts or formats one. Its
		# fprintf serves only the startup code's own messages.
		awk '$1 == "DLL" { dll = $3 } $1 ~ /^[0-9a-f]+$/ && NF == 3 &&
			dll !~ /^KERNEL32/ { print $3 }' headers >imports
		if grep -x -E 'strto[df]|__strtod|_?v?s?n?w?printf(_s)?|__stdio_common_vs[nw]*printf(_s|_p)?' imports; then
			echo "$prog takes these from the C runtime"
			return 1
		fi
		for flag in DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA; do
			grep -q -x "[[:space:]]*$flag" headers ||
				{ echo "$prog is built without $flag"; return 1; }
		done
	done
}

package() {
	command -v dpkg-deb >/dev/null || skip "no dpkg-deb"
	[ "${PACKAGE:-}" = DEB ] || skip "this build makes no Debian package"
	cpack -G DEB --config "$BIN/CPackConfig.cmake" -B "$PWD" >/dev/null
}

# The package is for the machine it was built for, depends on its C library
# (named as on that machine, with no architecture), and holds the programs,
# pages, samples, licence and changelog. armhf's programs run on every
# Raspberry Pi.
test_debian_package() {
	package
	dpkg-deb -f ./*.deb Architecture Depends >fields
	grep -x "Architecture: ${DEBIAN_ARCH:-$(dpkg --print-architecture)}" fields
	grep -x -E 'Depends: (.*, )?libc6 \(>= [0-9.]+\)(, .*)?' fields
	if grep -E ':[a-z0-9]' fields; then return 1; fi
	dpkg-deb -c ./*.deb >contents
	for prog in "${PROGRAMS[@]}"; do
		grep -q "^-rwxr-xr-x root/root .* ./usr/bin/$prog\$" contents
		grep -q " ./usr/share/man/man1/$prog.1.gz\$" contents
	done
	grep -q " ./usr/share/doc/roster/copyright\$" contents
	grep -q " ./usr/share/doc/roster/changelog.gz\$" contents
	dpkg-deb -x ./*.deb unpacked
	samples unpacked/usr/share/doc/roster/examples
	[ "${DEBIAN_ARCH:-}" != armhf ] || armv6 unpacked/usr/bin/*
}

# A package a distribution would take: no lintian error or warning.
test_lintian_clean() {
	command -v lintian >/dev/null || skip "no lintian"
	package
	lintian --fail-on error,warning ./*.deb 2>/dev/null
}

run_test "$1"
