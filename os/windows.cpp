// The operating system's part on Windows. Files are read and written
// through the system's handles, as bytes: the C runtime's text mode would
// add and drop carriage returns and end a file at its first 0x1A. Names
// and arguments are UTF-8 to the programs, through the system's UTF-16
// calls, and a console is written and read in UTF-16, so that it shows and
// takes characters whatever its code page, which is never changed: every
// process on that console shares it.
// rand_s is declared where this is defined.
#define _CRT_RAND_S // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

#include "os.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <windows.h>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

// The C runtime's UTF-16 argument vector: msvcrt's and the UCRT's
// (through MinGW-w64's own library) startup both provide it.
struct startup_info {
	int new_mode;
};
extern "C" int __wgetmainargs(int *argc, wchar_t ***argv, wchar_t ***env,
                              int expand_wildcards, startup_info *info);

// The stack protector's guard and what stops a program whose stack or
// buffers were overrun. The toolchain's own (libssp) would import ADVAPI32
// for a random guard; the C runtime's rand_s needs nothing more.
extern "C" {
std::uintptr_t __stack_chk_guard = 0;

[[noreturn]] void __stack_chk_fail()
{
	// Nothing of the process is trusted any more: no handler runs.
	TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
	std::abort(); // never reached
}

void __chk_fail()
{
	__stack_chk_fail();
}
}

// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {

// At file scope: a function with no local whose address is taken gets no
// guard of its own to find changed.
unsigned int guard_part = 0;

[[gnu::constructor]] void set_stack_guard()
{
	for (std::size_t i = 0; i < sizeof __stack_chk_guard; i += 4) {
		(void)rand_s(&guard_part);
		__stack_chk_guard = __stack_chk_guard << 16 << 16 | guard_part;
	}
}

HANDLE handle(os::file f)
{
	return reinterpret_cast<HANDLE>(f); // NOLINT(performance-no-int-to-ptr)
}

os::file file_of(HANDLE h)
{
	return reinterpret_cast<os::file>(h);
}

bool is_console(HANDLE h)
{
	DWORD mode = 0;
	return GetConsoleMode(h, &mode) != 0;
}

constexpr wchar_t replacement = 0xfffd;

bool is_high_surrogate(wchar_t unit)
{
	return unit >= 0xd800 && unit <= 0xdbff;
}

// Typed text, read from the console a line at a time and handed out as
// UTF-8. A character of two UTF-16 units that a read ends inside waits for
// the next read.
constexpr std::size_t typed_units = 512;

struct typed_text {
	bool mid_line; // the last read ended inside a line
	bool held;     // units[0] waits from the last read
	std::size_t next;
	std::size_t end;
	std::array<wchar_t, typed_units> units;
	std::array<char, 3 * typed_units> utf8; // 3 bytes a unit at most
};
typed_text typed;

std::ptrdiff_t read_console(HANDLE console, char *buffer, std::size_t size)
{
	if (typed.next == typed.end) {
		const DWORD kept = typed.held ? 1 : 0;
		DWORD n = 0;
		if (ReadConsoleW(console, typed.units.data() + kept,
		                 typed_units - kept, &n, nullptr) == 0)
			return -1;
		// Ctrl+Z at the start of a line ends typed input.
		if (n == 0 ||
		    (!typed.mid_line && kept == 0 && typed.units[0] == 0x1a))
			return 0;
		n += kept;
		typed.held = n > 1 && is_high_surrogate(typed.units[n - 1]);
		const DWORD whole = typed.held ? n - 1 : n;
		typed.mid_line = typed.units[n - 1] != L'\n';
		const int bytes = WideCharToMultiByte(
		        CP_UTF8, 0, typed.units.data(), static_cast<int>(whole),
		        typed.utf8.data(), static_cast<int>(typed.utf8.size()),
		        nullptr, nullptr);
		if (typed.held)
			typed.units[0] = typed.units[n - 1];
		typed.next = 0;
		typed.end = static_cast<std::size_t>(std::max(bytes, 0));
	}
	const std::size_t n = std::min(size, typed.end - typed.next);
	std::memcpy(buffer, typed.utf8.data() + typed.next, n);
	typed.next += n;
	return static_cast<std::ptrdiff_t>(n);
}

// UTF-8 on its way to a console, as UTF-16. The bytes of a character that
// a write ends inside wait for the next write, so that no character is
// split between two; bytes that are no UTF-8 show as U+FFFD, one for each
// broken sequence, as a UTF-8 terminal shows them.
struct console_text {
	std::size_t held;
	std::array<char, 3> bytes; // the start of a character
	std::size_t used;
	std::array<wchar_t, 1024> units;
};
console_text console_output;
console_text console_error;

console_text &text_for(HANDLE console)
{
	return console == GetStdHandle(STD_ERROR_HANDLE) ? console_error
	                                                 : console_output;
}

bool write_units(HANDLE console, console_text &text)
{
	const wchar_t *units = text.units.data();
	while (text.used != 0) {
		DWORD n = 0;
		if (WriteConsoleW(console, units, static_cast<DWORD>(text.used),
		                  &n, nullptr) == 0 ||
		    n == 0)
			return false;
		units += n;
		text.used -= n;
	}
	return true;
}

bool add_unit(HANDLE console, console_text &text, wchar_t unit)
{
	if (text.used == text.units.size() && !write_units(console, text))
		return false;
	text.units[text.used++] = unit;
	return true;
}

bool add_character(HANDLE console, console_text &text, std::uint32_t c)
{
	if (c < 0x10000)
		return add_unit(console, text, static_cast<wchar_t>(c));
	// A character's two units are never split between two writes.
	c -= 0x10000;
	if (text.used + 2 > text.units.size() && !write_units(console, text))
		return false;
	text.units[text.used++] = static_cast<wchar_t>(0xd800 + (c >> 10));
	text.units[text.used++] = static_cast<wchar_t>(0xdc00 + (c & 0x3ff));
	return true;
}

// What a UTF-8 lead byte needs: how many bytes follow it, and the range of
// the first of them (which rules out overlong forms and surrogates).
struct lead_byte {
	std::size_t follow;
	unsigned char low;
	unsigned char high;
};

lead_byte lead(unsigned char byte)
{
	if (byte >= 0xc2 && byte <= 0xdf)
		return {1, 0x80, 0xbf};
	if (byte == 0xe0)
		return {2, 0xa0, 0xbf};
	if (byte == 0xed)
		return {2, 0x80, 0x9f};
	if (byte >= 0xe1 && byte <= 0xef)
		return {2, 0x80, 0xbf};
	if (byte == 0xf0)
		return {3, 0x90, 0xbf};
	if (byte >= 0xf1 && byte <= 0xf3)
		return {3, 0x80, 0xbf};
	if (byte == 0xf4)
		return {3, 0x80, 0x8f};
	return {0, 0, 0};
}

bool write_console(HANDLE console, const char *text, std::size_t size)
{
	console_text &out = text_for(console);
	const std::size_t held = out.held;
	const std::size_t total = held + size;
	const auto byte = [&](std::size_t i) {
		return static_cast<unsigned char>(i < held ? out.bytes[i]
		                                           : text[i - held]);
	};
	out.held = 0;
	for (std::size_t i = 0; i < total;) {
		const unsigned char first = byte(i);
		if (first < 0x80) {
			if (!add_unit(console, out, first))
				return false;
			++i;
			continue;
		}
		const lead_byte need = lead(first);
		std::uint32_t c = first & (0x3fU >> need.follow);
		std::size_t j = i + 1;
		std::size_t got = 0;
		unsigned char low = need.low;
		unsigned char high = need.high;
		for (; got < need.follow && j < total; ++got, ++j) {
			const unsigned char next = byte(j);
			if (next < low || next > high)
				break;
			c = c << 6 | (next & 0x3fU);
			low = 0x80;
			high = 0xbf;
		}
		if (got < need.follow && j == total) {
			// The rest of this character comes with the next write.
			for (; i < total; ++i)
				out.bytes[out.held++] =
				        static_cast<char>(byte(i));
			break;
		}
		if (!add_character(console, out,
		                   got == need.follow && need.follow != 0
		                           ? c
		                           : replacement))
			return false;
		i = j;
	}
	return write_units(console, out);
}

// A character left unfinished at the end shows as broken.
void end_console_text(HANDLE console)
{
	console_text &out = text_for(console);
	if (out.held == 0 || !is_console(console))
		return;
	out.held = 0;
	if (add_unit(console, out, replacement))
		(void)write_units(console, out);
}

// Explorer starts a console program in a window of its own, which closes
// when the program ends: no other process shares the console, and
// standard input and output are that console.
bool console_is_own()
{
	std::array<DWORD, 2> processes{};
	return GetConsoleProcessList(processes.data(), processes.size()) == 1 &&
	       is_console(GetStdHandle(STD_INPUT_HANDLE)) &&
	       is_console(GetStdHandle(STD_OUTPUT_HANDLE));
}

void wait_for_enter()
{
	const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
	const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
	constexpr wchar_t line[] = L"Press Enter to close this window.\n";
	DWORD n = 0;
	if (WriteConsoleW(out, line, std::size(line) - 1, &n, nullptr) == 0)
		return;
	// The rest of a line the name was read from comes first.
	bool mid_line = typed.mid_line;
	std::array<wchar_t, typed_units> units{};
	while (ReadConsoleW(in, units.data(), units.size(), &n, nullptr) != 0 &&
	       n != 0)
		if (units[n - 1] == L'\n' && !std::exchange(mid_line, false))
			return;
}

} // namespace

os::file os::standard_input()
{
	return file_of(GetStdHandle(STD_INPUT_HANDLE));
}

os::file os::standard_output()
{
	return file_of(GetStdHandle(STD_OUTPUT_HANDLE));
}

os::file os::standard_error()
{
	return file_of(GetStdHandle(STD_ERROR_HANDLE));
}

std::ptrdiff_t os::read(file from, char *buffer, std::size_t size)
{
	const HANDLE h = handle(from);
	if (is_console(h))
		return read_console(h, buffer, size);
	DWORD n = 0;
	if (ReadFile(h, buffer, static_cast<DWORD>(size), &n, nullptr) != 0)
		return n;
	// A pipe whose writer has left is at its end.
	return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool os::write(file to, const char *text, std::size_t size)
{
	const HANDLE h = handle(to);
	if (is_console(h))
		return write_console(h, text, size);
	while (size != 0) {
		DWORD n = 0;
		if (WriteFile(h, text, static_cast<DWORD>(size), &n, nullptr) ==
		            0 ||
		    n == 0)
			return false;
		text += n;
		size -= n;
	}
	return true;
}

bool os::is_terminal(file f)
{
	return is_console(handle(f));
}

bool os::input_seekable()
{
	const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
	LARGE_INTEGER at{};
	return GetFileType(in) == FILE_TYPE_DISK &&
	       SetFilePointerEx(in, {}, &at, FILE_CURRENT) != 0;
}

void os::unread_input(std::size_t size)
{
	LARGE_INTEGER back{};
	back.QuadPart = -static_cast<LONGLONG>(size);
	(void)SetFilePointerEx(GetStdHandle(STD_INPUT_HANDLE), back, nullptr,
	                       FILE_CURRENT);
}

namespace {

// A file is known by its volume and its identifier there: files that have
// none to give (a pipe, a console) are never the same. wine gives a handle
// it was handed by Unix no volume: there the identifier alone decides.
bool same_file(HANDLE a, HANDLE b)
{
	FILE_ID_INFO a_id{};
	FILE_ID_INFO b_id{};
	constexpr FILE_ID_128 none{};
	return GetFileType(a) == FILE_TYPE_DISK &&
	       GetFileType(b) == FILE_TYPE_DISK &&
	       GetFileInformationByHandleEx(a, FileIdInfo, &a_id,
	                                    sizeof a_id) != 0 &&
	       GetFileInformationByHandleEx(b, FileIdInfo, &b_id,
	                                    sizeof b_id) != 0 &&
	       (a_id.VolumeSerialNumber == 0 ||
	        a_id.VolumeSerialNumber == b_id.VolumeSerialNumber) &&
	       std::memcmp(&a_id.FileId, &b_id.FileId, sizeof none) == 0 &&
	       std::memcmp(&a_id.FileId, &none, sizeof none) != 0;
}

} // namespace

os::file os::open_roster(const char *name)
{
	std::array<wchar_t, MAX_PATH> wide{};
	if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1,
	                        wide.data(), wide.size()) == 0)
		return no_file;
	const HANDLE typed_file = CreateFileW(
	        wide.data(), GENERIC_READ,
	        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
	        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
	if (typed_file == INVALID_HANDLE_VALUE)
		return no_file;
	const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
	if (same_file(in, typed_file)) {
		CloseHandle(typed_file);
		return file_of(in);
	}
	return file_of(typed_file);
}

// Every write went straight to the system, which has nothing more to say.
bool os::close_output()
{
	return true;
}

// The arguments as the system holds them, in UTF-16, each turned into
// UTF-8: at most three bytes a unit, within the command line's limit.
void os::utf8_arguments(int &argc, char **&argv)
{
	constexpr std::size_t command_line_units = 32768;
	static std::array<char, 3 * command_line_units> text;
	static std::array<char *, command_line_units / 2 + 1> vector;
	int count = 0;
	wchar_t **wide = nullptr;
	wchar_t **environment = nullptr;
	startup_info info{};
	if (__wgetmainargs(&count, &wide, &environment, 0, &info) < 0 ||
	    wide == nullptr)
		return;
	std::size_t used = 0;
	std::size_t n = 0;
	for (; n < static_cast<std::size_t>(count) && n + 1 < vector.size();
	     ++n) {
		const int room = static_cast<int>(text.size() - used);
		const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[n], -1,
		                                      text.data() + used, room,
		                                      nullptr, nullptr);
		if (bytes == 0)
			break;
		vector[n] = text.data() + used;
		used += static_cast<std::size_t>(bytes);
	}
	vector[n] = nullptr;
	argc = static_cast<int>(n);
	argv = vector.data();
}

void os::exit(int status)
{
	end_console_text(GetStdHandle(STD_OUTPUT_HANDLE));
	end_console_text(GetStdHandle(STD_ERROR_HANDLE));
	if (console_is_own())
		wait_for_enter();
	std::exit(status);
}
