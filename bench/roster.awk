# mawk -v sep=SEPARATOR -v n=LINES -f bench/roster.awk: a roster of
# realistic lines, the same for a given count: an eight-byte registration
# number, a name (a first name and a surname where the separator is a
# comma), a CGPA with two decimals.
BEGIN {
	split("Asha Bilal Chen Dara Emeka Fatima Goran Hana Ivan Jun " \
	      "Kavya Luis Mei Noor Omar Priya Quinn Ravi Sofia Tomas", first)
	split("Rao Khan Wei Oneill Obi Haddad Petrov Sato Ilic Park " \
	      "Iyer Gomez Lin Aziz Said Nair Byrne Shah Rossi Novak", last)
	srand(20261208)
	for (i = 1; i <= n; i++) {
		name = first[int(rand() * 20) + 1]
		if (sep == ",") name = name " " last[int(rand() * 20) + 1]
		printf "CS%06d%s%s%s%.2f\n", i % 1000000, sep, name, sep, rand() * 10
	}
}
