// Prompts for a roster's name, then writes one report line for every piece
// of it read. Output is checked at exit, so a lost report is never a success.
#include "record_listing.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr char prompt[] = "Enter the input file name: ";
constexpr std::size_t message_size = 32; // the longest message, and more

// "Reg. No. = %s, Name = %s, CGPA = %f\n", built here: printf's general
// machinery cost more than all the rest of a line.
constexpr std::string_view reg_no_label = "Reg. No. = ";
constexpr std::string_view name_label = ", Name = ";
constexpr std::string_view cgpa_label = ", CGPA = ";
constexpr std::size_t report_size = reg_no_label.size() + field_size +
                                    name_label.size() + field_size +
                                    cgpa_label.size() + cgpa_text_size + 1;

// The file is read in large blocks and cut here into the pieces that
// fgets(line, line_size, file) would give, without a library call a line.
std::array<char, std::size_t{1} << 16> input;
std::size_t input_used = 0;
std::size_t input_size = 0;
bool input_ended = false; // a short read: a terminal is not asked again

// Report lines gather here and go to stdio in large writes, one call for
// many lines; stdio still decides when they reach standard output.
std::array<char, std::size_t{1} << 16> reports;
std::size_t reports_used = 0;

char *append(char *out, std::string_view text)
{
	return text.copy(out, text.size()) + out;
}

bool hand_over_reports()
{
	const std::size_t used = reports_used;
	reports_used = 0;
	return std::fwrite(reports.data(), 1, used, stdout) == used;
}

// Standard output is flushed by exit, after the message, so that the message
// comes first where both streams go to one file. The message goes out in
// one write, as fprintf would send it to unbuffered standard error.
[[noreturn]] void fail(std::string_view message, std::string_view name = {})
{
	(void)hand_over_reports();
	std::array<char, message_size + file_name_size + 1> text{};
	char *out = append(text.data(), message.substr(0, message_size));
	out = append(out, name.substr(0, file_name_size));
	*out++ = '\n';
	std::fwrite(text.data(), 1, static_cast<std::size_t>(out - text.data()),
	            stderr);
	std::exit(EXIT_FAILURE);
}

[[noreturn]] void finish()
{
	if (!hand_over_reports() || std::fflush(stdout) != 0 ||
	    std::ferror(stdout) != 0 || std::fclose(stdout) != 0)
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
	} while ((c = std::getchar()) != EOF &&
	         !is_space(static_cast<char>(c)));
	fail("", {name, n});
}

// Reads one whitespace-separated word, as scanf("%s") would, leaving the rest
// of the typed line unread.
void read_file_name(char (&name)[file_name_size])
{
	int c = 0;
	while ((c = std::getchar()) != EOF && is_space(static_cast<char>(c))) {
	}
	if (c == EOF)
		fail("No input file name given");
	std::size_t n = 0;
	do {
		if (n == file_name_size - 1)
			refuse_name(name, c);
		name[n++] = static_cast<char>(c);
	} while ((c = std::getchar()) != EOF &&
	         !is_space(static_cast<char>(c)));
	if (c != EOF)
		std::ungetc(c, stdin);
	name[n] = '\0';
	// No file has a zero byte in its name; opening what comes before it
	// would open another file than the one typed.
	if (std::memchr(name, '\0', n) != nullptr)
		fail("Error opening file ", {name, n});
}

// Copies the next piece of the file into line: up to and including a line
// end, at most line_size - 1 bytes. False at the end of the file or on a
// read error.
bool read_piece(std::FILE *file, std::span<char, line_size> line)
{
	std::size_t n = 0;
	while (n < line_size - 1) {
		if (input_used == input_size) {
			if (input_ended)
				break;
			input_size =
			        std::fread(input.data(), 1, input.size(), file);
			input_used = 0;
			input_ended = input_size < input.size();
			if (input_size == 0)
				break;
		}
		const char *const from = input.data() + input_used;
		const std::size_t room =
		        std::min(line_size - 1 - n, input_size - input_used);
		const auto *const line_end = static_cast<const char *>(
		        std::memchr(from, '\n', room));
		const std::size_t take =
		        line_end == nullptr
		                ? room
		                : static_cast<std::size_t>(line_end - from) + 1;
		std::memcpy(line.data() + n, from, take);
		n += take;
		input_used += take;
		if (line_end != nullptr)
			break;
	}
	line[n] = '\0';
	return n != 0;
}

void write_report(const student_record &record)
{
	// No use reading on once the report is lost.
	if (reports.size() - reports_used < report_size && !hand_over_reports())
		fail("Error writing standard output");
	char *const line = reports.data() + reports_used;
	char *out = append(line, reg_no_label);
	out = append(out, {record.reg_no, std::strlen(record.reg_no)});
	out = append(out, name_label);
	out = append(out, {record.name, std::strlen(record.name)});
	out = append(out, cgpa_label);
	out += format_cgpa(record.cgpa, std::span<char, cgpa_text_size>(
	                                        out, cgpa_text_size));
	*out++ = '\n';
	reports_used += static_cast<std::size_t>(out - line);
}

} // namespace

std::size_t format_cgpa(float cgpa, std::span<char, cgpa_text_size> text)
{
	char *out = text.data();
	char *const end = out + text.size();
	if (std::signbit(cgpa))
		*out++ = '-';
	const double magnitude = std::fabs(static_cast<double>(cgpa));
	if (std::isnan(magnitude)) {
		out = append(out, "nan");
	} else if (std::isinf(magnitude)) {
		out = append(out, "inf");
	} else if (magnitude < 1e12) {
		// Exact: 24 significant bits times 10^6 = 15625 * 2^6, 14 bits
		// more, still fit a double; so rounding the product to a whole
		// number, half to even, gives the six decimals exactly.
		const double scaled = magnitude * 1e6;
		auto millionths = static_cast<std::uint64_t>(scaled);
		const double rest = scaled - static_cast<double>(millionths);
		if (rest > 0.5 || (rest == 0.5 && millionths % 2 != 0))
			++millionths;
		out = std::to_chars(out, end, millionths / 1000000).ptr;
		*out++ = '.';
		auto decimals = millionths % 1000000;
		for (char *digit = out + 6; digit != out; decimals /= 10)
			*--digit = static_cast<char>('0' + decimals % 10);
		out += 6;
	} else {
		// Floats this large are whole numbers; the rare case may be
		// slow.
		out = std::to_chars(out, end, magnitude,
		                    std::chars_format::fixed, 6)
		              .ptr;
	}
	return static_cast<std::size_t>(out - text.data());
}

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
	while (read_piece(file, line)) {
		read_line(line, record);
		write_report(record);
	}
	if (std::ferror(file) != 0)
		fail("Error reading file ", file_name);
	finish();
}
