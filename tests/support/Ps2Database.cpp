#include "support/Ps2Database.h"

#include "support/Files.h"

namespace testsupport {
namespace {

constexpr int GAME_COUNT = 12820;

std::string GeneratedDatabaseText() {
    std::string text = ";generated PS2 list\r\n";
    for (int i = 0; i < GAME_COUNT; ++i) {
        const std::string number = std::to_string(10000 + i);
        const std::string name = i % 3 == 0 ? "ドラゴン伝説 第" + number + "章 ～ＲＰＧ～ ﾃﾞﾗｯｸｽ"
                                            : "Game Title " + number + " - The Sequel (Europe)";
        text += "SLPS" + number + ";" + name + ";NTSC-J;SLPS-" + number + ";;Romanised Title " +
                number + ";;PS2;;\r\n";
    }
    return text;
}

}  // namespace

std::string Ps2DatabaseText(bool* fromCorpus) {
    const std::string corpus = CorpusDir();
    if (fromCorpus) *fromCorpus = !corpus.empty();
    return corpus.empty() ? GeneratedDatabaseText() : ReadFile(corpus + "/databases/ps2.csv");
}

}  // namespace testsupport
