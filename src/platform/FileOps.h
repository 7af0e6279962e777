#pragma once

// The platform layer, the bottom of the program: everything it asks of the
// operating system (reading and writing files, folder listings, moves that
// never replace, file times, the temporary folder, UTF-8, CRC-32). Nothing
// here knows about discs or runs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// File operations of the program. The central promise: a move never replaces
// anything, so two discs that end up with the same name never cost a file.
namespace platform {

// Whether a text holds a NUL byte: such a path would name a file other than
// the one it spells out, so no call here takes one.
bool HasNul(std::string_view text);

enum class PathKind { Missing, File, Folder };

// What a path names, following links.
PathKind KindOf(const std::string& path);

// Whether the name is taken: a link counts as itself, even one that leads
// nowhere, because a move onto it would replace it.
bool NameTaken(const std::string& path);

// 0 when names may be added to and taken from the folder ("" is the current
// one); otherwise the error a move into or out of it would meet.
int FolderChangeError(const std::string& folder);

// The tests of the runs' input checks: the text holds neither '*' nor '?' and
// names an existing folder (or an existing entry that is not a folder).
bool IsExistingFolder(const std::string& text);
bool IsExistingFile(const std::string& text);

std::optional<std::uint64_t> FileSizeOf(const std::string& path);

// A name that can stand as one path component: not empty, not "." or "..",
// without '/' and without NUL.
bool IsPlainName(std::string_view name);

// Moves a file or folder and never replaces an existing one. Moving a path onto
// itself succeeds without doing anything. False when nothing was moved.
bool MovePath(const std::string& from, const std::string& to);

// Moves `from` into `folder` under `newName`; refuses names that are no plain
// name (a name holding '/' would move the entry somewhere else).
bool MoveToName(const std::string& from, const std::string& folder, std::string_view newName);

bool DeleteFile(const std::string& path);

// Writes all of `content` to a file descriptor; false on a write error.
bool WriteAll(int fd, std::string_view content);

// Sets last-access and last-write time (Linux has no settable creation time);
// a link gets its own times, never those of what it points to.
bool SetFileTimes(const std::string& path, std::int64_t secondsSinceEpoch);

// What stands between a file's name and the process id in the name of the
// temporary file that ReplaceFileContent writes beside it:
// "<file>.tmp<pid>-<n>".
inline constexpr std::string_view TEMPORARY_MARKER = ".tmp";

// Rewrites a file whole: the content goes to a temporary file in the same
// folder, which then takes the target's place in one step, so an interrupted
// write leaves either the old or the new file, never a truncated one.
// (A rename over an existing file also makes ext4 start writing the new data
// at once, so after a crash the file holds the old or the new content.) A
// symbolic link is rewritten at its target and stays a link.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// $TMPDIR when it is set and names a folder, else /tmp; always ending in '/'.
std::string TempFolder();

bool MakeFolder(const std::string& path, unsigned mode = 0777);

// Deletes a folder and everything in it without following any link: a link
// inside the folder is removed, never what it points to. Missing folders are
// fine; false when something could not be removed.
bool RemoveTree(const std::string& path);

}  // namespace platform
