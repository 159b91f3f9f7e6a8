// The comma reader: registration number, name and CGPA separated by commas.
#pragma once

#include "number_text.hpp"
#include "record_listing.hpp"

#include <string_view>

namespace comma {

// Splits off the next token at pos, in place, as strtok(..., ",") does: a run
// of commas is one separator, so an empty field vanishes and the next one
// moves up. The line end is no separator; it stays in the last token.
inline std::string_view next_token(char *&pos)
{
	while (*pos == ',')
		++pos;
	char *const token = pos;
	while (*pos != ',' && *pos != '\0')
		++pos;
	const std::string_view text(token,
	                            static_cast<std::size_t>(pos - token));
	if (*pos == ',')
		*pos++ = '\0';
	return text;
}

// The value atof gives, rounded from double to float: the longest number
// after leading whitespace, 0 if none. The token ends in a zero byte.
inline float to_cgpa(std::string_view token)
{
	return static_cast<float>(
	        number_text::longest_number(skip_space(token.data())));
}

} // namespace comma

// A missing token leaves its field empty and the CGPA 0.
inline void parse_comma_line(std::span<char, line_size> line,
                             student_record &record)
{
	char *pos = line.data();
	store_field(record.reg_no, comma::next_token(pos));
	store_field(record.name, comma::next_token(pos));
	record.cgpa = comma::to_cgpa(comma::next_token(pos));
}
