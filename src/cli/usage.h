#ifndef LIDGLOW_CLI_USAGE_H
#define LIDGLOW_CLI_USAGE_H

#include <cstdio>

#include "cli/cmdline.h"

// Writes the usage text, naming the program program_name.
void write_usage(std::FILE *out, const char *program_name);
void print_usage(const char *program_name);

void print_version();

// Answers a command line that does not run a mode: the usage text, followed
// by extra_usage when given, or the version banner. Returns the exit status,
// or -1 when the request is to run.
int answer_parse_outcome(parse_outcome outcome, const char *program_name,
                         const char *extra_usage = nullptr);

#endif
