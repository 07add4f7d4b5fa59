#ifndef LIDGLOW_CLI_USAGE_H
#define LIDGLOW_CLI_USAGE_H

#include <cstdio>

constexpr int VERSION_MAJOR = 0;
constexpr int VERSION_MINOR = 10;

// Writes the usage text, naming the program program_name.
void write_usage(std::FILE *out, const char *program_name);
void print_usage(const char *program_name);

void print_version();

#endif
