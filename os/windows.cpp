// The operating system's part on Windows. Files are read and written
// through the system's handles, as bytes: the C runtime's text mode would
// add and drop carriage returns and end a file at its first 0x1A. Names
// and arguments are UTF-8 to the programs (WTF-8 where UTF-16 holds a lone
// surrogate), through the system's UTF-16 calls, and a console is written
// and read in UTF-16, so that it shows and takes characters whatever its
// code page, which is never changed: every process on that console shares
// it. What is done to the text between the two is windows_text.hpp's.
// rand_s is declared where this is defined.
#define _CRT_RAND_S // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

#include "os.hpp"
#include "windows_text.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <span>
#include <string_view>
#include <type_traits>
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

namespace text = os::windows_text;
static_assert(std::is_same_v<text::unit, wchar_t>);

// Typed text, read from the console a line at a time.
struct typed_input {
	bool mid_line; // the last read ended inside a line
	std::size_t next;
	std::size_t end;
	text::typed_text text;
};
typed_input typed;

std::ptrdiff_t read_console(HANDLE console, char *buffer, std::size_t size)
{
	while (typed.next == typed.end) {
		const std::size_t held = typed.text.held;
		wchar_t *const units = typed.text.units.data();
		DWORD n = 0;
		if (ReadConsoleW(console, units + held,
		                 static_cast<DWORD>(text::typed_units - held),
		                 &n, nullptr) == 0)
			return -1;
		// Ctrl+Z at the start of a line ends typed input.
		if (n == 0 ||
		    (!typed.mid_line && held == 0 && units[0] == 0x1a))
			return 0;
		typed.mid_line = units[held + n - 1] != L'\n';
		typed.next = 0;
		typed.end = text::typed_bytes(typed.text, n);
	}
	const std::size_t n = std::min(size, typed.end - typed.next);
	std::memcpy(buffer, typed.text.bytes.data() + typed.next, n);
	typed.next += n;
	return static_cast<std::ptrdiff_t>(n);
}

// UTF-8 on its way to a console, as UTF-16, one decoder for each stream.
struct console_text {
	text::utf8_decoder decoder;
	std::array<wchar_t, 1024> units;
};
console_text console_output;
console_text console_error;

console_text &text_for(HANDLE console)
{
	return console == GetStdHandle(STD_ERROR_HANDLE) ? console_error
	                                                 : console_output;
}

bool write_units(HANDLE console, const wchar_t *units, std::size_t size)
{
	while (size != 0) {
		DWORD n = 0;
		if (WriteConsoleW(console, units, static_cast<DWORD>(size), &n,
		                  nullptr) == 0 ||
		    n == 0)
			return false;
		units += n;
		size -= n;
	}
	return true;
}

bool write_console(HANDLE console, std::string_view bytes)
{
	console_text &out = text_for(console);
	do {
		const text::decoded step =
		        text::decode_utf8(out.decoder, bytes, out.units);
		bytes.remove_prefix(step.taken);
		if (!write_units(console, out.units.data(), step.made))
			return false;
	} while (!bytes.empty());
	return true;
}

// A character left unfinished at the end shows as broken.
void end_console_text(HANDLE console)
{
	constexpr wchar_t broken = text::replacement;
	if (text::end_text(text_for(console).decoder) && is_console(console))
		(void)write_units(console, &broken, 1);
}

// Explorer starts a console program in a window of its own, which closes
// when the program ends: no other process shares the console, standard
// input and output are that console, and no handles were handed over. A
// shell that hands its own over owns the window, even where the console is
// the program's alone (Git Bash's pseudo console).
bool console_is_own()
{
	STARTUPINFOW start{};
	GetStartupInfoW(&start);
	std::array<DWORD, 2> processes{};
	return (start.dwFlags & STARTF_USESTDHANDLES) == 0 &&
	       GetConsoleProcessList(processes.data(), processes.size()) == 1 &&
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
	std::array<wchar_t, text::typed_units> units{};
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
		return write_console(h, {text, size});
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

// A console, or the pipe that stands for a terminal of Git Bash's or
// MSYS2's, known by its name.
bool os::is_terminal(file f)
{
	const HANDLE h = handle(f);
	if (is_console(h))
		return true;
	struct {
		FILE_NAME_INFO info;
		std::array<wchar_t, MAX_PATH> rest;
	} name{};
	return GetFileType(h) == FILE_TYPE_PIPE &&
	       GetFileInformationByHandleEx(h, FileNameInfo, &name,
	                                    sizeof name) != 0 &&
	       text::is_terminal_pipe(
	               {name.info.FileName,
	                name.info.FileNameLength / sizeof(wchar_t)});
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
	if (!text::decode_wtf8(name, wide))
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
// UTF-8, or WTF-8 where it holds a lone surrogate: at most three bytes a
// unit, within the command line's limit.
void os::utf8_arguments(int &argc, char **&argv)
{
	constexpr std::size_t command_line_units = 32768;
	static std::array<char, 3 * command_line_units + 1> bytes;
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
		const std::wstring_view units = wide[n];
		if (bytes.size() - used < 3 * units.size() + 1)
			break;
		vector[n] = bytes.data() + used;
		used += text::encode_wtf8(
		        units,
		        std::span(bytes).subspan(used, 3 * units.size()));
		bytes[used++] = '\0';
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
