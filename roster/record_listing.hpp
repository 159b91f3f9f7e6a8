// The listing driver that csvroster and wordroster share, the one record it
// fills from every line of a roster, and the byte scanning both readers use.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
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
// as fgets(line, line_size, file) would read them. The piece lies where it
// was read, and its text ends at its line end, the piece's last byte, or at
// a zero byte: a piece without a line end gets one behind it. Nothing is
// written after a line end, since writing next to bytes about to be read
// stalls the processor. Past the piece, field_size bytes may be read but
// belong to no piece.
using line_reader = void (*)(std::span<char> piece, student_record &record);

// Prompts for a roster's name, lists it through read_line and ends the
// process: 0 when every line was listed, 1 otherwise. Hot: GCC takes a
// function that never returns for an error path and builds it small and
// slow, with a real division where a multiplication would do.
[[gnu::hot]] [[noreturn]] void list_records(line_reader read_line);

// The whitespace of the C locale: blank, tab, line end, vertical tab, form
// feed and carriage return.
constexpr bool is_space(char c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where the text of a piece ends: at its line end or a zero byte.
constexpr bool ends_text(char c)
{
	return c == '\0' || c == '\n';
}

// Skips whitespace up to the line end: nothing of the piece comes after it.
// The blanks it skips are the bits of one word: on the word reader's hot
// path that took 40 instructions a line fewer than is_space's comparisons,
// which serve best where a word ends.
constexpr const char *skip_space(const char *text)
{
	constexpr std::uint64_t blanks =
	        std::uint64_t{1} << ' ' | std::uint64_t{1} << '\t' |
	        std::uint64_t{1} << '\v' | std::uint64_t{1} << '\f' |
	        std::uint64_t{1} << '\r';
	while (static_cast<unsigned char>(*text) <= ' ' &&
	       (blanks >> static_cast<unsigned char>(*text) & 1) != 0)
		++text;
	return text;
}

// Scanning sixteen bytes at a time, where a field is a few bytes long: one
// SSE2 comparison gives a mask with bit i set where byte i matches.
namespace bytes {

inline constexpr std::size_t block = 16;

inline __m128i load(const char *p)
{
	return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

inline unsigned mask(__m128i matches)
{
	return static_cast<unsigned>(_mm_movemask_epi8(matches));
}

inline unsigned equal(__m128i text, char c)
{
	return mask(_mm_cmpeq_epi8(text, _mm_set1_epi8(c)));
}

// Bytes up to the blank: whitespace and the zero byte lie among them.
inline unsigned blank_or_below(__m128i text)
{
	return mask(
	        _mm_cmpeq_epi8(_mm_min_epu8(text, _mm_set1_epi8(' ')), text));
}

inline std::size_t first(unsigned mask)
{
	return static_cast<std::size_t>(std::countr_zero(mask));
}

// The first zero byte from text on.
inline const char *find_zero(const char *text)
{
	for (;; text += block)
		if (const unsigned found = equal(load(text), '\0'))
			return text + first(found);
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
