// The word reader: registration number, name and CGPA separated by
// whitespace. Fields a line does not supply keep their previous values.
#pragma once

#include "number_text.hpp"
#include "record_listing.hpp"

#include <cstdlib>

namespace word {

// The whitespace of the C locale; the line end and carriage return are
// among it, so they never end up in a field.
constexpr bool is_space(char c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr const char *skip_space(const char *pos)
{
	while (is_space(*pos))
		++pos;
	return pos;
}

// Stores the next word in field, as scanf("%s") does but cut to the field;
// the rest of a long word is skipped, never read as the next field.
// Returns false, writing nothing, when the text ends first.
inline bool scan_word(const char *&pos, char (&field)[field_size])
{
	pos = skip_space(pos);
	if (*pos == '\0')
		return false;
	const char *const start = pos;
	while (*pos != '\0' && !is_space(*pos))
		++pos;
	store_field(field, {start, static_cast<std::size_t>(pos - start)});
	return true;
}

} // namespace word

// The CGPA is converted straight from its text to float, rounded once.
inline void parse_word_line(std::span<char, line_size> line,
                            student_record &record)
{
	const char *pos = line.data();
	if (!word::scan_word(pos, record.reg_no) ||
	    !word::scan_word(pos, record.name))
		return;
	pos = word::skip_space(pos);
	// Only the start of a number ("0x", "-", "infin") leaves the CGPA as
	// it was.
	const number_text::scan number = number_text::scan_number(pos);
	if (number.length != 0 && !number.broken)
		record.cgpa = std::strtof(pos, nullptr);
}
