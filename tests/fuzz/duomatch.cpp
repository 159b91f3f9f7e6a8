// duomatch against strcmp on any two strings: the input up to its first
// zero byte, and the rest.
#include "duomatch.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size)
{
	const std::string input(reinterpret_cast<const char *>(data), size);
	const std::size_t split = std::min(input.find('\0'), input.size());
	const std::string a = input.substr(0, split);
	const std::string b = split < size ? input.substr(split + 1) : "";
	const int result = duomatch(a.c_str(), b.c_str());
	const int want = std::strcmp(a.c_str(), b.c_str()) == 0 ? 0 : 1;
	if (result != want) {
		std::fprintf(stderr, "duomatch gave %d, strcmp says %d\n",
		             result, want);
		std::abort();
	}
	return 0;
}
