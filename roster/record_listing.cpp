// Prompts for a roster's name, then writes one report line for every piece
// of it read. Output is checked at exit, so a lost report is never a success.
#include "record_listing.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr char prompt[] = "Enter the input file name: ";

// The whitespace of the C locale, which separates the typed file name.
constexpr bool is_space(int c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

// Standard output is flushed by exit, after the message, so that the message
// comes first where both streams go to one file.
[[noreturn]] void fail(const char *message, const char *name = "")
{
	std::fprintf(stderr, "%s%s\n", message, name);
	std::exit(EXIT_FAILURE);
}

[[noreturn]] void finish()
{
	if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 ||
	    std::fclose(stdout) != 0)
		fail("Error writing standard output");
	std::exit(EXIT_SUCCESS);
}

// A name too long for its field is refused whole, never opened cut down. The
// field, already full, carries the rest of the word to standard error.
[[noreturn]] void refuse_name(char (&name)[file_name_size], int c)
{
	std::fputs("Error opening file ", stderr);
	std::size_t n = file_name_size - 1;
	do {
		if (n == file_name_size - 1) {
			std::fwrite(name, 1, n, stderr);
			n = 0;
		}
		name[n++] = static_cast<char>(c);
	} while ((c = std::getchar()) != EOF && !is_space(c));
	std::fwrite(name, 1, n, stderr);
	fail("");
}

// Reads one whitespace-separated word, as scanf("%s") would, leaving the rest
// of the typed line unread.
void read_file_name(char (&name)[file_name_size])
{
	int c = 0;
	while ((c = std::getchar()) != EOF && is_space(c)) {
	}
	if (c == EOF)
		fail("No input file name given");
	std::size_t n = 0;
	do {
		if (n == file_name_size - 1)
			refuse_name(name, c);
		name[n++] = static_cast<char>(c);
	} while ((c = std::getchar()) != EOF && !is_space(c));
	if (c != EOF)
		std::ungetc(c, stdin);
	name[n] = '\0';
}

void write_report(const student_record &record)
{
	std::printf("Reg. No. = %s, Name = %s, CGPA = %f\n", record.reg_no,
	            record.name, static_cast<double>(record.cgpa));
}

} // namespace

void list_records(line_reader read_line)
{
	// A record that no line has filled yet reports empty fields and 0.
	student_record record{};
	char file_name[file_name_size];
	std::array<char, line_size> line{};

	std::fputs(prompt, stdout);
	read_file_name(file_name);
	std::FILE *file = std::fopen(file_name, "r");
	if (file == nullptr)
		fail("Error opening file ", file_name);
	while (std::fgets(line.data(), line.size(), file) != nullptr) {
		read_line(line, record);
		write_report(record);
	}
	if (std::ferror(file) != 0)
		fail("Error reading file ", file_name);
	finish();
}
