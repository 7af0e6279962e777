#pragma once

#include <string>
#include <string_view>

// A text file that grows line by line: the error log, the rename batch, the
// database the list run adds to. Each line goes out with its line end in one
// write to a file opened for appending, so a line is never split by another
// writer and a killed run leaves only whole lines behind.
namespace platform {

class AppendFile {
public:
    // Opens (creating it when missing) a regular file for appending; a FIFO,
    // device or folder of that name is refused, never blocked on.
    explicit AppendFile(const std::string& path);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    bool IsOpen() const { return fd >= 0; }

    // Appends the line and CR LF; false when it could not be written whole.
    bool AppendLine(std::string_view line);
    // Appends bytes as they are.
    bool Append(std::string_view bytes);

    // Forces what was appended to the disk; false when it could not be.
    bool Sync();

    // Closes now, so a failure to write the data out shows; false when it did.
    bool Close();

private:
    int fd = -1;
};

}  // namespace platform
