#include "ident/BootFileId.h"

#include <cstdint>

#include "image/KelCDFileSystem.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"

namespace {

// Boot lines and marker texts are read up to a zero byte, at most this long.
constexpr std::size_t MAX_TEXT = 256;
// The characters after ":BI" that can hold a code such as SLPS-00071.
constexpr std::size_t MARKER_CODE_LENGTH = 10;

// The loaded bytes of a file of the disc, exactly FileSize of them.
std::string_view LoadedFile(const KelCDFileSystem& fileSystem, std::int32_t index) {
    const unsigned char* data = fileSystem.FileData(index);
    const std::int64_t size = fileSystem.FileSize(index);
    if (data == nullptr || size <= 0) return {};
    return {reinterpret_cast<const char*>(data), static_cast<std::size_t>(size)};
}

// The text that starts at `from`: up to its first zero byte, at most
// MAX_TEXT bytes, never past the end of `bytes`.
std::string_view TextAt(std::string_view bytes, std::size_t from) {
    if (from >= bytes.size()) return {};
    std::string_view text = bytes.substr(from, MAX_TEXT);
    return text.substr(0, text.find('\0'));
}

int PositionOf(std::string_view text, char c) {
    const std::size_t at = text.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void RemoveFirst(std::string& text, char c) {
    const std::size_t at = text.find(c);
    if (at != std::string::npos) text.erase(at, 1);
}

// A checksum of a file of the disc, unless the file is missing.
std::optional<std::string> CrcOfDiscFile(KelCDFileSystem& fileSystem, const std::string& name) {
    std::string crc = fileSystem.FileCrc(name);
    if (crc == platform::CRC_UNREADABLE) return std::nullopt;
    return crc;
}

}  // namespace

std::optional<std::string> ReadBootLine(std::string_view systemCnf) {
    const std::size_t boot = systemCnf.find("BOOT");
    if (boot == std::string_view::npos) return std::nullopt;
    std::string_view line = TextAt(systemCnf, boot);

    const std::size_t lineFeed = line.find('\n');
    if (lineFeed == std::string_view::npos) return std::nullopt;
    line = line.substr(0, lineFeed);

    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view path = line.substr(colon);
    return std::string(path.substr(0, path.find(';')));
}

int BootPathDotDistance(std::string_view bootPath) {
    return PositionOf(bootPath, '.') - PositionOf(bootPath, '_');
}

std::optional<std::string> GameCodeFromBootPath(std::string_view bootPath) {
    const int underscore = PositionOf(bootPath, '_');
    if (underscore < 4) return std::nullopt;
    std::string code(bootPath.substr(static_cast<std::size_t>(underscore - 4)));
    RemoveFirst(code, '_');
    RemoveFirst(code, '.');
    return code;
}

ExeMarker ScanExeMarker(std::string_view executable) {
    const std::size_t marker = executable.find(":BI");
    if (marker == std::string_view::npos) return {};

    // The marker bytes are not zero, so the text holds at least them.
    const std::string_view text = TextAt(executable, marker);
    std::string code(text.substr(3, MARKER_CODE_LENGTH));
    if (PositionOf(code, '-') != 4) return {ExeMarker::Outcome::MarkerOnly, {}};
    RemoveFirst(code, '-');
    return {ExeMarker::Outcome::Code, code};
}

std::optional<std::string> UmdDataCode(std::string_view umdData) {
    const std::string_view text = TextAt(umdData, 0);
    std::string code(text.substr(0, text.find('|')));
    // A file that starts with its terminator holds no code at all.
    if (code.empty()) return std::nullopt;
    RemoveFirst(code, '-');
    return platform::ToUpperAscii(code);
}

std::string ApplyCodeRules(std::string code, CodeSource source, KelCDFileSystem& fileSystem) {
    if (source == CodeSource::ExecutableWithoutSystemCnf) {
        if (code == "SLPS00071" && fileSystem.FileCrc("CD3X3_1.ID") == "514D072C") {
            return "SLPS00072";
        }
        return code;
    }
    if (code == "SLPS01527") {
        const std::string marker = fileSystem.FileCrc("DISK.ID");
        if (marker == "8B4D1797") return "SLPS01528";
        if (marker == "33F170F2") return "SLPS01529";
    }
    return code;
}

std::optional<std::string> IdentifyPlayStation(KelCDFileSystem& fileSystem) {
    if (!fileSystem.IsValid()) return std::nullopt;

    const std::int32_t systemCnf = fileSystem.OpenFile("SYSTEM.CNF");
    if (systemCnf >= 0) {
        const auto bootPath = ReadBootLine(LoadedFile(fileSystem, systemCnf));
        if (!bootPath) return std::nullopt;

        const int distance = BootPathDotDistance(*bootPath);
        if (distance == 4 || distance == 3) {
            auto code = GameCodeFromBootPath(*bootPath);
            if (!code) return std::nullopt;
            return platform::ToUpperAscii(
                ApplyCodeRules(*code, CodeSource::SystemCnfBootLine, fileSystem));
        }

        // A boot executable of another name: its marker, or its checksum.
        const std::string name = bootPath->substr(1);
        const std::int32_t executable = fileSystem.OpenFile(name);
        if (executable < 0) return std::nullopt;
        const ExeMarker marker = ScanExeMarker(LoadedFile(fileSystem, executable));
        switch (marker.outcome) {
            case ExeMarker::Outcome::Code:
                return platform::ToUpperAscii(marker.code);
            case ExeMarker::Outcome::MarkerOnly:
                return CrcOfDiscFile(fileSystem, name);
            case ExeMarker::Outcome::NoMarker:
                return std::nullopt;
        }
        return std::nullopt;
    }

    const std::int32_t psxExe = fileSystem.OpenFile("PSX.EXE");
    if (psxExe < 0) return std::nullopt;
    const ExeMarker marker = ScanExeMarker(LoadedFile(fileSystem, psxExe));
    if (marker.outcome == ExeMarker::Outcome::Code) {
        return platform::ToUpperAscii(
            ApplyCodeRules(marker.code, CodeSource::ExecutableWithoutSystemCnf, fileSystem));
    }
    return CrcOfDiscFile(fileSystem, "PSX.EXE");
}

std::optional<std::string> IdentifyPlayStation2(KelCDFileSystem& fileSystem) {
    if (!fileSystem.IsValid()) return std::nullopt;

    const std::int32_t systemCnf = fileSystem.OpenFile("SYSTEM.CNF");
    if (systemCnf < 0) return CrcOfDiscFile(fileSystem, "PSX.EXE");

    const auto bootPath = ReadBootLine(LoadedFile(fileSystem, systemCnf));
    if (!bootPath) return std::nullopt;
    if (BootPathDotDistance(*bootPath) == 4) {
        auto code = GameCodeFromBootPath(*bootPath);
        if (!code) return std::nullopt;
        return platform::ToUpperAscii(*code);
    }
    // The name after the colon and the separator that follows it.
    if (bootPath->size() <= 2) return std::nullopt;
    return CrcOfDiscFile(fileSystem, bootPath->substr(2));
}

std::optional<std::string> IdentifyPsp(KelCDFileSystem& fileSystem) {
    if (!fileSystem.IsValid()) return std::nullopt;

    const std::int32_t umdData = fileSystem.OpenFile("UMD_DATA.BIN");
    if (umdData < 0) return std::nullopt;
    return UmdDataCode(LoadedFile(fileSystem, umdData));
}

std::optional<std::string> IdentifyPlayStation(const std::string& imageFile) {
    KelCDFileSystem fileSystem(imageFile);
    return IdentifyPlayStation(fileSystem);
}

std::optional<std::string> IdentifyPlayStation2(const std::string& imageFile) {
    KelCDFileSystem fileSystem(imageFile);
    return IdentifyPlayStation2(fileSystem);
}

std::optional<std::string> IdentifyPsp(const std::string& imageFile) {
    KelCDFileSystem fileSystem(imageFile);
    return IdentifyPsp(fileSystem);
}
