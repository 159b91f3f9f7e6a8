// The report's CGPA text against printf's "%f" for any float.
#include "number_text.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

using number_text::cgpa_text_size;
using number_text::format_cgpa;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size)
{
	float value = 0;
	std::memcpy(&value, data, std::min(size, sizeof value));
	std::array<char, cgpa_text_size> ours{};
	const std::size_t n = format_cgpa(value, ours);
	std::array<char, cgpa_text_size + 16> theirs{};
	std::snprintf(theirs.data(), theirs.size(), "%f",
	              static_cast<double>(value));
	if (std::string_view(ours.data(), n) != theirs.data()) {
		std::fprintf(stderr, "%a: %.*s, printf: %s\n",
		             static_cast<double>(value), static_cast<int>(n),
		             ours.data(), theirs.data());
		std::abort();
	}
	return 0;
}
