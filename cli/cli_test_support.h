// Runs sorvik-cli command lines in-process for the cli tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/charset.h"

namespace sorvik {

// Program text as the terminal shows it.
inline std::string ToConsoleForTest(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  return GbkToUtf8(text);
#endif
}

// Runs one command line; returns the exit status with standard output and error captured.
struct CliRun {
  explicit CliRun(const std::vector<std::string>& args) {
    FILE* out_file = std::tmpfile();
    FILE* err_file = std::tmpfile();
    status = RunCli(args, out_file, err_file);
    out = Slurp(out_file);
    err = Slurp(err_file);
  }
  static std::string Slurp(FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
  }
  // Standard output cut at `end` (each piece without it).
  std::vector<std::string> Lines(char end = '\n') const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t stop; (stop = out.find(end, start)) != std::string::npos; start = stop + 1) {
      lines.push_back(out.substr(start, stop - start));
    }
    return lines;
  }
  int status;
  std::string out, err;
};

}  // namespace sorvik
