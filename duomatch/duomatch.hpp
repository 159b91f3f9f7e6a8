// The equality test of two byte strings.
#pragma once

// 0 when a and b hold the same bytes, 1 when they differ; no ordering.
constexpr int duomatch(const char *a, const char *b)
{
	while (*a == *b && *a != '\0') {
		++a;
		++b;
	}
	return *a == *b ? 0 : 1;
}
