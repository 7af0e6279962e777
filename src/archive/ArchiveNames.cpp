#include "archive/ArchiveNames.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>

#include "platform/Utf8.h"

namespace {

// An archive name longer than this is no name of a file on any disk.
constexpr std::size_t MAX_NAME_BYTES = 4096;
// Longer "extensions" are no extension an image or a descriptor has.
constexpr std::size_t MAX_EXTENSION = 8;

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

bool IsPrivateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

// Code points the UTF-8 decoder keeps for bytes that are not UTF-8.
bool IsUndecodedByte(char32_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

}  // namespace

std::vector<LegacyEncoding> LegacyEncodingsOf(NameSource source) {
    switch (source) {
        case NameSource::Zip:
            return {LegacyEncoding::Cp932, LegacyEncoding::Cp437};
        case NameSource::Lzh:
            return {LegacyEncoding::Cp932, LegacyEncoding::EucJp};
        case NameSource::LzhFromUnix:
            return {LegacyEncoding::EucJp, LegacyEncoding::Cp932};
        case NameSource::Cab:
            return {LegacyEncoding::Cp932};
        case NameSource::Other:
            break;
    }
    return {};
}

const char* IcuName(LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Cp932:
            return "windows-31j";
        case LegacyEncoding::EucJp:
            return "EUC-JP";
        case LegacyEncoding::Cp437:
            return "ibm-437";
        case LegacyEncoding::None:
            break;
    }
    return "";
}

const char* IconvName(LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Cp932:
            return "CP932";
        case LegacyEncoding::EucJp:
            return "EUC-JP";
        case LegacyEncoding::Cp437:
            return "CP437";
        case LegacyEncoding::None:
            break;
    }
    return "";
}

const char* UnarName(LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Cp932:
            return "cp932";
        case LegacyEncoding::EucJp:
            return "EUC-JP";
        case LegacyEncoding::Cp437:
            return "cp437";
        case LegacyEncoding::None:
            break;
    }
    return "";
}

int CodePage(LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Cp932:
            return 932;
        case LegacyEncoding::EucJp:
            return 20932;
        case LegacyEncoding::Cp437:
            return 437;
        case LegacyEncoding::None:
            break;
    }
    return 0;
}

std::optional<std::string> DecodeLegacyName(std::string_view raw, LegacyEncoding encoding) {
    if (encoding == LegacyEncoding::None || raw.empty() || raw.size() > MAX_NAME_BYTES) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, ConverterCloser> converter(
        ucnv_open(IcuName(encoding), &status));
    if (U_FAILURE(status)) return std::nullopt;
    // Stop at the first byte sequence without a character instead of
    // substituting one.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    std::u16string wide(raw.size() * 2, u'\0');
    const int32_t length =
        ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(wide.data()), int32_t(wide.size()),
                      raw.data(), int32_t(raw.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    wide.resize(std::size_t(length));

    std::string utf8(wide.size() * 3, '\0');
    int32_t written = 0;
    u_strToUTF8(utf8.data(), int32_t(utf8.size()), &written,
                reinterpret_cast<const UChar*>(wide.data()), int32_t(wide.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    utf8.resize(std::size_t(written));
    if (!IsPlausibleName(utf8)) return std::nullopt;
    return utf8;
}

bool IsPlausibleName(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > MAX_NAME_BYTES) return false;
    for (char32_t c : platform::DecodeUtf8(utf8)) {
        if (IsControl(c) || IsPrivateUse(c) || IsUndecodedByte(c) || c == 0xFFFD) return false;
    }
    return true;
}

std::string GeneratedName(std::size_t index, std::string_view undecodedName) {
    std::string name = "Entry-" + std::to_string(index);
    const std::size_t dot = undecodedName.rfind('.');
    if (dot == std::string_view::npos) return name;
    const std::string_view extension = undecodedName.substr(dot + 1);
    if (extension.empty() || extension.size() > MAX_EXTENSION) return name;
    for (char c : extension) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!plain) return name;
    }
    return name + "." + std::string(extension);
}
