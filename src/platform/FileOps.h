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

// Which file a path names and the state of its content, as far as the file
// system tells: equal states were read as the same bytes.
struct FileState {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds since the epoch
    std::int64_t changed = 0;   // of the inode, in nanoseconds

    bool operator==(const FileState&) const = default;
};
std::optional<FileState> StateOf(const std::string& path);

// A name that can stand as one path component: not empty, not "." or "..",
// without '/' and without NUL.
bool IsPlainName(std::string_view name);

// Moves a file or folder and never replaces an existing one. Moving a path onto
// itself succeeds without doing anything. False when nothing was moved, with
// errno saying why (EEXIST for a taken name). On a file system without the
// kernel's no-replace rename or without hard links (FUSE mounts of exFAT,
// SMB, MTP) the new name is first reserved by an exclusive create.
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
// "<file>.orvane-tmp-<pid>-<n>" (the file's name cut short when the whole
// would be too long for a name). Nothing but this program writes such names,
// so a leftover of a killed run can be told from a file of the user's.
inline constexpr std::string_view TEMPORARY_MARKER = ".orvane-tmp-";

// Rewrites a file whole: the content goes to a temporary file in the same
// folder, written to the disk, which then takes the target's place in one
// step, so an interrupted write or a crash leaves either the old or the new
// file, never a truncated one. The file keeps its owner, group and mode. A
// symbolic link is rewritten at its target and stays a link.
//
// A file that cannot be replaced without becoming another file is left as it
// is, and false comes with errno saying why: EMLINK for a file with more than
// one name (hard links: a new file would split them, and writing into the
// shared file would change it under its other names as well), EPERM when its
// owner or group could not be kept (only root may give a file to another
// user). Other failures leave errno as the failing call set it (EISDIR for a
// folder).
bool ReplaceFileContent(const std::string& path, std::string_view content);

// $TMPDIR when it is set and names a folder, else /tmp; always ending in '/'.
std::string TempFolder();

bool MakeFolder(const std::string& path, unsigned mode = 0777);

// Deletes a folder and everything in it without following any link: a link
// inside the folder is removed, never what it points to. Missing folders are
// fine; false when something could not be removed.
bool RemoveTree(const std::string& path);

// Deletes everything inside a folder, like RemoveTree, and keeps the folder
// itself; false when `path` is no folder (a link to one is not followed) or
// something could not be removed.
bool EmptyFolder(const std::string& path);

// Whether `path` is a symbolic link whose target does not lie inside
// `folder` ("" is the current one): links are followed to the end of a
// chain, relative targets from the link's own folder, and both sides are
// compared with every link in them resolved. A link that leads nowhere (to a
// missing file, or round in a loop) counts as leading outside: it cannot be
// shown to stay inside. False for anything that is no link, or is missing.
// What is written through such a link lands outside the folder the user gave.
bool LinkLeadsOutside(const std::string& path, const std::string& folder);

}  // namespace platform
