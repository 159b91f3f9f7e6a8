// csvroster: lists a roster whose fields are separated by commas.
#include "csvroster.hpp"

int main()
{
	list_records(parse_comma_line);
}
