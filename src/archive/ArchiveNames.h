#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Entry names of archives made before Unicode names were common: zip entries
// without the UTF-8 flag, LZH and CAB names, written in the code page of the
// system that made them (Shift-JIS on the Japanese Windows where most
// collections were packed, EUC-JP on Japanese Unix, CP437 for the zip
// default). Names are decoded to UTF-8; one that no encoding explains is
// given a safe generated name, so an image is never skipped for its name.

enum class LegacyEncoding { None, Cp932, EucJp, Cp437 };

// The encodings to try, in order, for names of a format that are not UTF-8.
// Zip: CP932, then CP437; LZH: CP932, then EUC-JP (the other way round for an
// archive made on Unix); CAB: CP932. Other formats store Unicode names.
enum class NameSource { Zip, Lzh, LzhFromUnix, Cab, Other };
std::vector<LegacyEncoding> LegacyEncodingsOf(NameSource source);

// Names of an encoding as each tool spells it.
const char* IcuName(LegacyEncoding encoding);    // ICU converter
const char* IconvName(LegacyEncoding encoding);  // libarchive's hdrcharset option
const char* UnarName(LegacyEncoding encoding);   // unar -e
int CodePage(LegacyEncoding encoding);           // 7zz -mcp=

// `raw` decoded from `encoding` to UTF-8; nothing when a byte sequence has no
// character in it or the result is no plausible name.
std::optional<std::string> DecodeLegacyName(std::string_view raw, LegacyEncoding encoding);

// Whether a UTF-8 text can stand as an entry name: it holds no control
// character, no replacement character and no private-use character (what a
// wrong guess of the encoding typically yields), and is valid UTF-8.
bool IsPlausibleName(std::string_view utf8);

// The name given to the `index`th entry (counted from 1) when its own name
// cannot be decoded: "Entry-<index>", with the extension of the undecoded
// name when that is plain ASCII (Entry-3.iso), so the image is still found
// by its extension.
std::string GeneratedName(std::size_t index, std::string_view undecodedName);
