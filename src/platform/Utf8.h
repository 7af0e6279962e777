#pragma once

#include <string>
#include <string_view>

// UTF-8 to and from UTF-32. Bytes that are not valid UTF-8 (a file name or a
// database written in another code page) are carried through as the code
// points U+DC80..U+DCFF and come back as the same bytes, so a decode followed
// by an encode never alters text it does not understand.
namespace platform {

std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

}  // namespace platform
