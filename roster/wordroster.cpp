// wordroster: lists a roster whose fields are separated by whitespace.
#include "wordroster.hpp"

int main()
{
	list_records(parse_word_line);
}
