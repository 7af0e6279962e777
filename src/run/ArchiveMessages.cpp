#include "run/ArchiveMessages.h"

#include "config/KeyedTextDocument.h"
#include "config/Language.h"
#include "core/RunHost.h"

namespace {

// The language key of each reason's message; "%1" in the text stands for
// what the message names.
const char* MessageKey(ExtractionFailure reason) {
    switch (reason) {
        case ExtractionFailure::Encrypted:
            return "ARCHIVE_ENCRYPTED";
        case ExtractionFailure::UnsupportedMethod:
            return "ARCHIVE_UNSUPPORTED";
        case ExtractionFailure::MissingVolume:
            return "ARCHIVE_VOLUME_MISSING";
        case ExtractionFailure::TooLarge:
            return "ARCHIVE_TOO_LARGE";
        case ExtractionFailure::NoSpace:
            return "ARCHIVE_NO_SPACE";
        case ExtractionFailure::WriteFailed:
            return "ARCHIVE_WRITE_FAILED";
        case ExtractionFailure::NothingExtracted:
            return "ARCHIVE_EMPTY";
        case ExtractionFailure::Unreadable:
            return "ARCHIVE_UNREADABLE";
        case ExtractionFailure::NoReader:
            return "ARCHIVE_GCA";
        case ExtractionFailure::None:
        case ExtractionFailure::Stopped:
            return nullptr;
        case ExtractionFailure::Damaged:
        case ExtractionFailure::Refused:
            break;
    }
    return "ARCHIVE_DAMAGED";
}

// A language file may hold an empty text for a key: the message is never
// blank, the English one stands in.
std::string MessageText(RunHost& host, const char* key) {
    std::string text = host.LanguageText("MessageBox", key);
    if (!text.empty()) return text;
    static const KeyedTextDocument english = [] {
        KeyedTextDocument document(LANGUAGE_HEADER);
        document.LoadText(config::BuiltInEnglishText());
        return document;
    }();
    return english.Get("MessageBox", key);
}

}  // namespace

void ShowArchiveProblem(RunHost& host, const ArchiveProblem& problem) {
    const char* key = MessageKey(problem.reason);
    if (key == nullptr) return;
    std::string message = MessageText(host, key);
    if (message.find("%1") != std::string::npos) {
        message = FillPlaceholders(message, {problem.subject});
    } else if (!problem.subject.empty()) {
        message += " " + problem.subject;
    }
    host.ShowMessage(message, MessageIcon::Information, problem.caption);
}
