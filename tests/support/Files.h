#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Whole-file helpers for fixtures; they throw on failure so a broken fixture
// never passes for a result.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);

// The last-write time of a path in seconds, or -1 when it cannot be read.
std::int64_t ModifiedTime(const std::string& path);

// Sorted names of the entries of a folder ("." and ".." left out).
std::vector<std::string> ListNames(const std::string& folder);

// Runs a shell command; returns its exit status and fills `output` with stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);
bool HaveTool(const std::string& name);

// Quotes a text for the shell.
std::string ShellQuote(const std::string& text);

// The shared test corpus, or "" when this checkout has none.
std::string CorpusDir();

}  // namespace testsupport
