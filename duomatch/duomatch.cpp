// duomatch: says whether its two arguments are the same string.
#include "duomatch.hpp"

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
	if (argc != 3) {
		std::puts("Usage: duomatch <string1> <string2>");
		std::exit(EXIT_FAILURE);
	}
	std::printf("argv[0] = %s, argv[1] = %s, argv[2] = %s\n", argv[0],
	            argv[1], argv[2]);
	std::puts(duomatch(argv[1], argv[2]) == 0
	                  ? "The two strings are equal"
	                  : "The two strings are not equal");
	// A verdict that never reached its reader is no success.
	if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 ||
	    std::fclose(stdout) != 0) {
		std::fputs("Error writing standard output\n", stderr);
		std::exit(EXIT_FAILURE);
	}
	std::exit(EXIT_SUCCESS);
}
