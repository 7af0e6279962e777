#include "rename/PlanSink.h"

namespace {

std::string Escaped(const std::string& field) {
    std::string escaped;
    escaped.reserve(field.size());
    for (const char c : field) {
        switch (c) {
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::string PlanLine(const PlanStep& step) {
    switch (step.kind) {
        case PlanStep::Kind::Rename:
            return "rename\t" + Escaped(step.path) + "\t" + Escaped(step.detail);
        case PlanStep::Kind::Rewrite:
            return "rewrite\t" + Escaped(step.path);
        case PlanStep::Kind::Folder:
            return "folder\t" + Escaped(step.path) + "\t" + Escaped(step.detail);
        case PlanStep::Kind::Skip:
            return "skip\t" + Escaped(step.path) + "\t" + Escaped(step.detail);
    }
    return {};
}
