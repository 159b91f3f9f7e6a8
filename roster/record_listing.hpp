// The listing driver that csvroster and wordroster share, and the one record
// it fills from every line of a roster.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

inline constexpr std::size_t field_size = 32;     // 31 bytes and a zero byte
inline constexpr std::size_t file_name_size = 40; // 39 bytes and a zero byte
inline constexpr std::size_t line_size = 256;     // 255 bytes and a zero byte

struct student_record {
	char reg_no[field_size];
	char name[field_size];
	float cgpa;
};

// Fills the record from one piece of a line (at most line_size - 1 bytes,
// with its line end when it fits). It may split the buffer in place.
using line_reader = void (*)(std::span<char, line_size> line,
                             student_record &record);

// The whitespace of the C locale: blank, tab, line end, vertical tab, form
// feed and carriage return.
constexpr bool is_space(char c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr const char *skip_space(const char *text)
{
	while (is_space(*text))
		++text;
	return text;
}

// Stores text in a field, cut to what the field holds.
inline void store_field(char (&field)[field_size], std::string_view text)
{
	const std::size_t n = text.copy(field, field_size - 1);
	field[n] = '\0';
}

// Room for a CGPA as "%f" writes it: a sign, the 39 digits of the largest
// float, the point and six decimals.
inline constexpr std::size_t cgpa_text_size = 48;

// Writes cgpa as printf's "%f" does, six decimals rounded half to even;
// returns the length.
std::size_t format_cgpa(float cgpa, std::span<char, cgpa_text_size> text);

// Prompts for a roster's name, lists it through read_line and ends the
// process: 0 when every line was listed, 1 otherwise.
[[noreturn]] void list_records(line_reader read_line);
