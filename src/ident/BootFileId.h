#pragma once

#include <optional>
#include <string>
#include <string_view>

class KelCDFileSystem;

// Reading a disc's game code (SLPS00071) from its boot files, or a checksum
// of a boot file where no code can be read. Every step works on bytes loaded
// from an untrusted image and never reads past them.

// The path part of the boot line in SYSTEM.CNF: from the first colon after
// "BOOT" (colon included) up to the first ';' or the end of the line, such as
// ":\SLPS_000.71". Nothing when there is no "BOOT", no line feed within the
// 256 bytes read, or no colon.
std::optional<std::string> ReadBootLine(std::string_view systemCnf);

// Distance from the underscore to the dot of a boot path: 4 for SLPS_000.71,
// 3 for names such as SCES_123.4. Positions of missing characters count as -1.
int BootPathDotDistance(std::string_view bootPath);

// SLPS_000.71 -> SLPS00071: the four characters before the underscore and
// everything after it, without the underscore and the first dot, as read.
// Nothing when the underscore is missing or has fewer than four characters
// before it.
std::optional<std::string> GameCodeFromBootPath(std::string_view bootPath);

// What a boot executable reveals after its ":BI" marker.
struct ExeMarker {
    enum class Outcome { NoMarker, MarkerOnly, Code };
    Outcome outcome = Outcome::NoMarker;
    std::string code;  // with Outcome::Code: SLPS00071 from SLPS-00071, as read
};

ExeMarker ScanExeMarker(std::string_view executable);

// The game code at the start of a PSP disc's UMD_DATA.BIN: the text before
// its first '|' (and before any zero byte), without its first '-', upper-cased:
// ULJM05001 from "ULJM-05001|...". Nothing when that text is empty.
std::optional<std::string> UmdDataCode(std::string_view umdData);

// The two discs whose boot files name another disc of the same game. The
// comparisons see the code as read, before upper-casing.
enum class CodeSource { ExecutableWithoutSystemCnf, SystemCnfBootLine };
std::string ApplyCodeRules(std::string code, CodeSource source, KelCDFileSystem& fileSystem);

// The identifier of the disc of a file system, per system; nothing when none
// can be read.
std::optional<std::string> IdentifyPlayStation(KelCDFileSystem& fileSystem);
std::optional<std::string> IdentifyPlayStation2(KelCDFileSystem& fileSystem);
std::optional<std::string> IdentifyPsp(KelCDFileSystem& fileSystem);

// The same for the image in a file.
std::optional<std::string> IdentifyPlayStation(const std::string& imageFile);
std::optional<std::string> IdentifyPlayStation2(const std::string& imageFile);
std::optional<std::string> IdentifyPsp(const std::string& imageFile);
