// The language files shipped with the program: Japanese speaks Japanese
// wherever English has a text, and keeps what the program fills in.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "config/KeyedTextDocument.h"
#include "config/Language.h"

namespace {

// Texts that are the same in both languages on purpose: names, and the
// captions Japanese writes in Latin letters too.
const std::set<std::string> SAME_IN_BOTH = {"...", "OK"};

KeyedTextDocument Shipped(const std::string& name) {
    KeyedTextDocument texts(LANGUAGE_HEADER);
    EXPECT_TRUE(texts.Load(config::LanguageFolder("/nonexistent") + "/" + name + ".ini")) << name;
    return texts;
}

// The placeholders of a text (%1, %n, ...), sorted: what the program or the
// formula fills in, which a translation must keep.
std::vector<std::string> Placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size();
         at = text.find('%', at + 2)) {
        found.push_back(text.substr(at, 2));
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

TEST(ShippedLanguages, JapaneseTranslatesEveryEnglishText) {
    const KeyedTextDocument english = Shipped("English");
    const KeyedTextDocument japanese = Shipped("Japanese");
    for (const auto& [section, keys] : english.Sections()) {
        for (const auto& [key, text] : keys) {
            const std::string& translated = japanese.Get(section, key);
            const std::string where = section + "/" + key + ": " + text;
            if (text.empty()) {
                EXPECT_TRUE(translated.empty()) << where;
                continue;
            }
            EXPECT_FALSE(translated.empty()) << where;
            if (SAME_IN_BOTH.count(text) == 0) {
                EXPECT_NE(translated, text) << where;
            }
            EXPECT_EQ(Placeholders(translated), Placeholders(text)) << where;
        }
    }
    // A key only Japanese has is a slip: the program never asks for it.
    for (const auto& [section, keys] : japanese.Sections()) {
        for (const auto& [key, text] : keys) {
            EXPECT_EQ(english.Sections().count(section), 1u) << section;
            if (english.Sections().count(section) == 1) {
                EXPECT_EQ(english.Sections().at(section).count(key), 1u) << section << "/" << key;
            }
        }
    }
}
