// The comma reader: registration number, name and CGPA separated by commas.
#pragma once

#include "number_text.hpp"
#include "record_listing.hpp"

namespace comma {

// The end of the token at pos: a comma, the end of the text, or just past
// the line end, which belongs to the last token.
inline const char *token_end(const char *pos)
{
	for (;; pos += bytes::block) {
		const __m128i text = bytes::load(pos);
		const unsigned line_end = bytes::equal(text, '\n');
		const unsigned found = line_end | bytes::equal(text, ',') |
		                       bytes::equal(text, '\0');
		if (found != 0) {
			const std::size_t n = bytes::first(found);
			return pos + n + ((line_end >> n) & 1);
		}
	}
}

// After a token that took the line end the text is over: the next search
// starts here, with room for the bytes a search reads.
inline constexpr char no_more_text[field_size] = {};

// Stores the next token from pos on, as strtok(..., ",") splits them: a run
// of commas is one separator, so an empty field vanishes and the next one
// moves up. The line end is no separator; it stays in the last token.
// Returns where the search for the next token starts.
inline const char *store_token(const char *pos, char (&field)[field_size])
{
	while (*pos == ',')
		++pos;
	const char *const end = token_end(pos);
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
	return static_cast<float>(number_text::longest_number(skip_space(pos)));
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
