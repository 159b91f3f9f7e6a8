// The comma reader: registration number, name and CGPA separated by commas.
#pragma once

#include "fields.hpp"
#include "number_text.hpp"

namespace comma {

// After a token that took the line end the text is over: the next search
// starts here, where a reader finds what it may read past a piece.
inline constexpr char no_more_text[read_past_piece] = {};

// Stores the next token from pos on, as strtok(..., ",") splits them: a run
// of commas is one separator, so an empty field vanishes and the next one
// moves up. The line end is no separator; it stays in the last token.
// Returns where the search for the next token starts.
inline const char *store_token(const char *pos, char (&field)[field_size])
{
	while (*pos == ',')
		++pos;
	const char *const end = byte_scan::find_token_end(pos);
	const auto length = static_cast<std::size_t>(end - pos);
	store_field(field, pos, length);
	return length != 0 && end[-1] == '\n' ? no_more_text : end;
}

// The value atof gives, rounded from double to float: the longest number
// after leading whitespace, 0 if none. Neither a comma nor the line end is
// ever part of a number, so the token needs no end of its own.
inline float to_cgpa(const char *pos)
{
	while (*pos == ',')
		++pos;
	return number_text::longest_number(byte_scan::skip_space(pos));
}

} // namespace comma

// A missing token leaves its field empty and the CGPA 0.
inline void parse_comma_line(std::span<char> piece, student_record &record)
{
	const char *pos = piece.data();
	pos = comma::store_token(pos, record.reg_no);
	pos = comma::store_token(pos, record.name);
	record.cgpa = comma::to_cgpa(pos);
}
