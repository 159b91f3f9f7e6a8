// The operating system's part on POSIX systems: Linux, macOS, the BSDs, WASI.
#include "os.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int descriptor(os::file f)
{
	return static_cast<int>(f);
}

} // namespace

// A 32-bit stat fails on a file past 2 GiB, and standard input would no
// longer be known as itself: files of any size, on every machine.
static_assert(sizeof(off_t) == 8 && sizeof(ino_t) == 8,
              "build with _FILE_OFFSET_BITS=64");

os::file os::standard_input()
{
	return STDIN_FILENO;
}

os::file os::standard_output()
{
	return STDOUT_FILENO;
}

os::file os::standard_error()
{
	return STDERR_FILENO;
}

std::ptrdiff_t os::read(file from, char *buffer, std::size_t size)
{
	ssize_t n = 0;
	do
		n = ::read(descriptor(from), buffer, size);
	while (n < 0 && errno == EINTR);
	return n;
}

bool os::write(file to, const char *text, std::size_t size)
{
	while (size != 0) {
		const ssize_t n = ::write(descriptor(to), text, size);
		if (n < 0 && errno == EINTR)
			continue;
		if (n < 0)
			return false;
		text += n;
		size -= static_cast<std::size_t>(n);
	}
	return true;
}

bool os::is_terminal(file f)
{
	return isatty(descriptor(f)) != 0;
}

bool os::input_seekable()
{
	return lseek(STDIN_FILENO, 0, SEEK_CUR) >= 0;
}

void os::unread_input(std::size_t size)
{
	(void)lseek(STDIN_FILENO, -static_cast<off_t>(size), SEEK_CUR);
}

os::file os::open_roster(const char *name)
{
	struct stat typed {};
	struct stat input {};
	if (stat(name, &typed) == 0 && fstat(STDIN_FILENO, &input) == 0 &&
	    typed.st_dev == input.st_dev && typed.st_ino == input.st_ino)
		return STDIN_FILENO;
	return open(name, O_RDONLY);
}

bool os::close_output()
{
	return close(STDOUT_FILENO) == 0;
}

void os::utf8_arguments(int & /*argc*/, char **& /*argv*/)
{
}

void os::exit(int status)
{
	std::exit(status);
}
