// The word reader: registration number, name and CGPA separated by
// whitespace. Fields a line does not supply keep their previous values.
#pragma once

#include "number_text.hpp"
#include "record_listing.hpp"

namespace word {

// The end of the word at text: the first whitespace or zero byte, which
// includes the line end. Only bytes up to the blank can be either, and they
// are rare inside a word.
inline const char *word_end(const char *text)
{
	for (;;) {
		const unsigned low = bytes::blank_or_below(bytes::load(text));
		if (low == 0) {
			text += bytes::block;
			continue;
		}
		text += bytes::first(low);
		if (*text == '\0' || is_space(*text))
			return text;
		++text;
	}
}

// Stores the next word in field, as scanf("%s") does but cut to the field;
// the rest of a long word is skipped, never read as the next field. The line
// end and carriage return are whitespace, so they never end up in a field.
// Returns false, writing nothing, when the text ends first.
inline bool scan_word(const char *&pos, char (&field)[field_size])
{
	pos = skip_space(pos);
	if (ends_text(*pos))
		return false;
	const char *const end = word_end(pos);
	store_field(field, pos, static_cast<std::size_t>(end - pos));
	pos = end;
	return true;
}

} // namespace word

// The CGPA is converted straight from its text to float, rounded once.
inline void parse_word_line(std::span<char> piece, student_record &record)
{
	const char *pos = piece.data();
	if (!word::scan_word(pos, record.reg_no) ||
	    !word::scan_word(pos, record.name))
		return;
	// A word that is not a number leaves the CGPA as it was.
	number_text::complete_number(skip_space(pos), record.cgpa);
}
