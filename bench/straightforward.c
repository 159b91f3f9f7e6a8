/*
 * The yardstick: the listers as anyone would first write them, with fgets,
 * strtok and atof (-c) or sscanf (-w), and printf. Same reports, same
 * messages; used only to compare against.
 * usage: straightforward -c | -w
 */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct record {
	char reg_no[32];
	char name[32];
	float cgpa;
};

static void store(char *field, const char *text)
{
	size_t n = strlen(text);

	if (n > 31)
		n = 31;
	memcpy(field, text, n);
	field[n] = '\0';
}

static void comma_line(char *line, struct record *r)
{
	char *reg_no = strtok(line, ",");
	char *name = reg_no ? strtok(NULL, ",") : NULL;
	char *cgpa = name ? strtok(NULL, ",") : NULL;

	store(r->reg_no, reg_no ? reg_no : "");
	store(r->name, name ? name : "");
	r->cgpa = cgpa ? (float)atof(cgpa) : 0;
}

static void word_line(const char *line, struct record *r)
{
	char reg_no[256], name[256];
	int n = sscanf(line, "%255s %255s %f", reg_no, name, &r->cgpa);

	if (n >= 1)
		store(r->reg_no, reg_no);
	if (n >= 2)
		store(r->name, name);
}

int main(int argc, char *argv[])
{
	struct record r = {"", "", 0};
	char file_name[40], line[256];
	int words = argc > 1 && strcmp(argv[1], "-w") == 0;
	FILE *file;
	int c;

	printf("Enter the input file name: ");
	if (scanf("%39s", file_name) != 1) {
		fprintf(stderr, "No input file name given\n");
		return 1;
	}
	if ((c = getchar()) != EOF && !isspace(c)) {
		fprintf(stderr, "Error opening file %s", file_name);
		do
			fputc(c, stderr);
		while ((c = getchar()) != EOF && !isspace(c));
		fprintf(stderr, ": name longer than 39 bytes\n");
		return 1;
	}
	if ((file = fopen(file_name, "r")) == NULL) {
		fprintf(stderr, "Error opening file %s\n", file_name);
		return 1;
	}
	while (fgets(line, sizeof line, file) != NULL) {
		if (words)
			word_line(line, &r);
		else
			comma_line(line, &r);
		printf("Reg. No. = %s, Name = %s, CGPA = %f\n", r.reg_no,
		       r.name, (double)r.cgpa);
	}
	if (ferror(file)) {
		fprintf(stderr, "Error reading file %s\n", file_name);
		return 1;
	}
	if (fflush(stdout) != 0 || ferror(stdout)) {
		fprintf(stderr, "Error writing standard output\n");
		return 1;
	}
	return 0;
}
