// duomatch: says whether its two arguments are the same string.
#include "duomatch.hpp"
#include "os.hpp"
#include "output.hpp"

#include <cstdlib>

int main(int argc, char *argv[])
{
	os::utf8_arguments(argc, argv);
	os::output out{.to = os::standard_output()};
	if (argc != 3) {
		os::put(out, "Usage: duomatch <string1> <string2>\n");
		(void)os::flush(out);
		os::exit(EXIT_FAILURE);
	}
	os::put(out, "argv[0] = ");
	os::put(out, argv[0]);
	os::put(out, ", argv[1] = ");
	os::put(out, argv[1]);
	os::put(out, ", argv[2] = ");
	os::put(out, argv[2]);
	os::put(out, duomatch(argv[1], argv[2]) == 0
	                     ? "\nThe two strings are equal\n"
	                     : "\nThe two strings are not equal\n");
	// A verdict that never reached its reader is no success.
	if (!os::flush(out) || !os::close_output()) {
		os::output error{.to = os::standard_error()};
		os::put(error, "Error writing standard output\n");
		(void)os::flush(error);
		os::exit(EXIT_FAILURE);
	}
	os::exit(EXIT_SUCCESS);
}
