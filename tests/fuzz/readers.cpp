// Both line readers on any piece of a line, against the C library reading
// it the way the listers are meant to: strtok and atof (strtod) for the comma
// reader, sscanf("%s %s") and strtof for the word reader. Fields must end
// within their 32 bytes, a UTF-8 character that does not fit left out whole,
// the word reader must leave the line alone, and the same line on the same
// record must give the same result.
#include "../same_value.hpp"
#include "csvroster.hpp"
#include "wordroster.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A piece and the bytes a reader may read past it.
using line_buffer = std::array<char, line_size + read_past_piece>;

// What the previous line left, so that carried-over fields show.
constexpr student_record previous = {"PREV-REG", "PREV-NAME", 1.25F};

bool same_record(const student_record &a, const student_record &b)
{
	return std::memcmp(a.reg_no, b.reg_no, field_size) == 0 &&
	       std::memcmp(a.name, b.name, field_size) == 0 &&
	       same_value(a.cgpa, b.cgpa);
}

void expect(bool ok, const char *what, const char *text)
{
	if (ok)
		return;
	std::fprintf(stderr, "%s on \"%s\"\n", what, text);
	std::abort();
}

void expect_terminated(const student_record &record, const char *text)
{
	expect(std::memchr(record.reg_no, '\0', field_size) != nullptr,
	       "reg_no not ended in its field", text);
	expect(std::memchr(record.name, '\0', field_size) != nullptr,
	       "name not ended in its field", text);
}

// What a field keeps of text: characters from the front while they fit in
// 31 bytes, where a character is a UTF-8 lead byte with all the bytes
// 80-BF it announces, or any other single byte.
std::string kept(const char *text)
{
	std::string whole(text);
	if (whole.size() < field_size)
		return whole;
	std::size_t end = 0;
	for (;;) {
		const auto lead = static_cast<unsigned char>(whole[end]);
		std::size_t more = lead >= 0xf0 && lead <= 0xf4   ? 3
		                   : lead >= 0xe0 && lead <= 0xef ? 2
		                   : lead >= 0xc2 && lead <= 0xdf ? 1
		                                                  : 0;
		for (std::size_t i = 1; i <= more; ++i) {
			const auto next = static_cast<unsigned char>(
			        end + i < whole.size() ? whole[end + i] : 0);
			if (next < 0x80 || next > 0xbf)
				more = 0;
		}
		if (end + 1 + more > field_size - 1)
			return whole.substr(0, end);
		end += 1 + more;
	}
}

// Reads line over the previous record twice, each time from a fresh copy:
// both must agree and end their fields within them. after holds the line
// as the first reading left it.
student_record read_twice(line_reader read, const line_buffer &line,
                          const std::string &piece, line_buffer &after)
{
	after = line;
	student_record record = previous;
	read({after.data(), piece.size()}, record);
	line_buffer again = line;
	student_record second = previous;
	read({again.data(), piece.size()}, second);
	expect_terminated(record, piece.c_str());
	expect(same_record(record, second), "reader not repeatable",
	       piece.c_str());
	return record;
}

void check_comma(const line_buffer &line, const std::string &piece)
{
	const char *const text = piece.c_str();
	line_buffer split{};
	const student_record record =
	        read_twice(parse_comma_line, line, piece, split);

	std::string copy(text);
	char *const reg_no = std::strtok(copy.data(), ",");
	char *const name =
	        reg_no != nullptr ? std::strtok(nullptr, ",") : nullptr;
	char *const cgpa =
	        name != nullptr ? std::strtok(nullptr, ",") : nullptr;
	expect(record.reg_no == kept(reg_no != nullptr ? reg_no : ""),
	       "comma reg_no differs from strtok", text);
	expect(record.name == kept(name != nullptr ? name : ""),
	       "comma name differs from strtok", text);
	const double want =
	        cgpa != nullptr
	                ? signed_as_written(std::strtod(cgpa, nullptr), cgpa)
	                : 0;
	expect(rounds_to(record.cgpa, want), "comma CGPA differs from atof",
	       text);
}

// The word reader's CGPA: strtof's number, unless the text goes on as the
// start of a longer one that never completes, a bare 0x or an infinity word
// broken off. A bare exponent mark is left out of the number (2.5e is 2.5).
// Not scanf("%f"): C libraries differ there on "0x." and "2.5e".
bool word_cgpa(const char *text, float &cgpa)
{
	char *end = nullptr;
	const float value = signed_as_written(std::strtof(text, &end), text);
	if (end == text)
		return false;
	const char *start = text;
	while (std::isspace(static_cast<unsigned char>(*start)) != 0)
		++start;
	if (*start == '-' || *start == '+')
		++start;
	const std::string number(start, static_cast<std::size_t>(end - start));
	const auto next = static_cast<char>(
	        std::tolower(static_cast<unsigned char>(*end)));
	if ((number == "0" && next == 'x') ||
	    (number.size() == 3 && next == 'i' &&
	     std::tolower(static_cast<unsigned char>(number[0])) == 'i'))
		return false;
	cgpa = value;
	return true;
}

void check_word(const line_buffer &line, const std::string &piece)
{
	const char *const text = piece.c_str();
	line_buffer after{};
	const student_record record =
	        read_twice(parse_word_line, line, piece, after);
	expect(after == line, "word reader changed the line", text);

	// Whole words, however long, then the number after the second.
	char reg_no[line_size] = "PREV-REG";
	char name[line_size] = "PREV-NAME";
	int end = 0;
	const int words =
	        std::sscanf(text, "%255s %255s%n", reg_no, name, &end);
	float cgpa = previous.cgpa;
	if (words == 2)
		word_cgpa(text + end, cgpa);
	expect(record.reg_no == kept(reg_no), "word reg_no differs from sscanf",
	       text);
	expect(record.name == kept(name), "word name differs from sscanf",
	       text);
	expect(same_value(record.cgpa, cgpa), "word CGPA differs from strtof",
	       text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size)
{
	// A piece as the driver hands it over: up to and including the first
	// line end, at most line_size - 1 bytes; one without a line end gets a
	// zero byte behind it. The rest of the input follows, then stale '#':
	// a reader may read them but must not let them show.
	line_buffer line;
	line.fill('#');
	std::memcpy(line.data(), data, std::min(size, line.size()));
	const std::size_t room = std::min(size, line_size - 1);
	const void *const line_end = std::memchr(data, '\n', room);
	const std::size_t length =
	        line_end != nullptr
	                ? static_cast<std::size_t>(
	                          static_cast<const std::uint8_t *>(line_end) -
	                          data) +
	                          1
	                : room;
	if (line_end == nullptr)
		line[length] = '\0';
	// What a C string of the piece holds: the text up to a zero byte.
	const std::string piece(line.data(), length);
	check_comma(line, piece);
	check_word(line, piece);
	return 0;
}
