// The word reader: registration number, name and CGPA separated by
// whitespace. Fields a line does not supply keep their previous values.
#pragma once

#include "fields.hpp"
#include "number_text.hpp"

namespace word {

// Stores the next word in field, as scanf("%s") does but cut to the field;
// the rest of a long word is skipped, never read as the next field. The line
// end and carriage return are whitespace, so they never end up in a field.
// Returns false, writing nothing, when the text ends first.
inline bool scan_word(const char *&pos, char (&field)[field_size])
{
	pos = byte_scan::skip_space(pos);
	if (*pos == '\0' || *pos == '\n')
		return false;
	const char *const end = byte_scan::find_space_or_zero(pos);
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
	number_text::complete_number(byte_scan::skip_space(pos), record.cgpa);
}
