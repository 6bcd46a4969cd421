// A program of the build run as a user runs it from a shell: its command line,
// what it prints on either stream, and its exit status as a shell gives it
// (128 + the signal's number for a program that a signal ended).
#pragma once

#include <string>

// Runs `program` (a path with forward or native separators) with `arguments`.
std::string RunCommand(const std::string& program, const std::string& arguments, int& status);
