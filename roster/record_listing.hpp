// The listing driver that csvroster and wordroster share, the one record it
// fills from every line of a roster, and the byte scanning both readers use.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

inline constexpr std::size_t field_size = 32;     // 31 bytes and a zero byte
inline constexpr std::size_t file_name_size = 40; // 39 bytes and a zero byte
inline constexpr std::size_t line_size = 256;     // 255 bytes and a zero byte

struct student_record {
	char reg_no[field_size];
	char name[field_size];
	float cgpa;
};

// Fills the record from one piece of a line: at most line_size - 1 bytes,
// with its line end when it fits, then a zero byte. The piece lies where it
// was read, so a reader may split it in place; after the zero byte come at
// least field_size bytes that may be read but belong to no piece.
using line_reader = void (*)(std::span<char> piece, student_record &record);

// Prompts for a roster's name, lists it through read_line and ends the
// process: 0 when every line was listed, 1 otherwise.
[[noreturn]] void list_records(line_reader read_line);

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

// Scanning eight bytes at a time, where a line is a few words long. Each
// test flags the high bit of the matching bytes; above the first match a
// borrow may flag more, so only the first flag counts.
namespace bytes {

static_assert(std::endian::native == std::endian::little);
inline constexpr std::size_t word_size = sizeof(std::uint64_t);
inline constexpr std::uint64_t ones = 0x0101010101010101;
inline constexpr std::uint64_t highs = ones * 0x80;

inline std::uint64_t load(const char *p)
{
	std::uint64_t word = 0;
	std::memcpy(&word, p, sizeof word);
	return word;
}

// Bytes below limit (at most 128).
constexpr std::uint64_t below(std::uint64_t word, unsigned limit)
{
	return (word - ones * limit) & ~word & highs;
}

constexpr std::uint64_t equal(std::uint64_t word, char c)
{
	return below(word ^ (ones * static_cast<unsigned char>(c)), 1);
}

constexpr std::size_t first(std::uint64_t flags)
{
	return static_cast<std::size_t>(std::countr_zero(flags)) / 8;
}

// The first c or zero byte from text on; the text ends in a zero byte.
inline const char *find_or_end(const char *text, char c)
{
	for (;; text += word_size) {
		const std::uint64_t word = load(text);
		if (const std::uint64_t flags = below(word, 1) | equal(word, c))
			return text + first(flags);
	}
}

} // namespace bytes

// Stores text in a field, cut to what the field holds. The field is filled
// with one fixed-size copy, so field_size bytes from text on must be
// readable; those past the text are cut off.
inline void store_field(char (&field)[field_size], const char *text,
                        std::size_t length)
{
	std::memcpy(field, text, field_size);
	field[std::min(length, field_size - 1)] = '\0';
}
