#pragma once

#include <ostream>
#include <string>
#include <vector>

// Each subcommand takes the words after its name, writes its report to `out` and returns
// the program's exit code. Usage and file problems are thrown (UsageError, FileError).
int runInspect(const std::vector<std::string>& words, std::ostream& out);
int runCharts(const std::vector<std::string>& words, std::ostream& out);
int runOutline(const std::vector<std::string>& words, std::ostream& out);
int runPack(const std::vector<std::string>& words, std::ostream& out);
int runUnwrapCommand(const std::vector<std::string>& words, std::ostream& out);
int runPreview(const std::vector<std::string>& words, std::ostream& out);
int runHost(const std::vector<std::string>& words, std::ostream& out);
