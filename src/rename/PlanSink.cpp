#include "rename/PlanSink.h"

std::string TabField(const std::string& field) {
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

std::string PlanLine(const PlanStep& step) {
    switch (step.kind) {
        case PlanStep::Kind::Rename:
            return "rename\t" + TabField(step.path) + "\t" + TabField(step.detail);
        case PlanStep::Kind::Rewrite:
            return "rewrite\t" + TabField(step.path);
        case PlanStep::Kind::Folder:
            return "folder\t" + TabField(step.path) + "\t" + TabField(step.detail);
        case PlanStep::Kind::Skip:
            return "skip\t" + TabField(step.path) + "\t" + TabField(step.detail);
    }
    return {};
}
