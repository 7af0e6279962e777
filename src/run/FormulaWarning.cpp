#include "run/FormulaWarning.h"

#include "config/KeyedTextDocument.h"
#include "core/RunHost.h"
#include "naming/RenamingFormula.h"

std::string FormulaWarning(const std::string& formula, const KeyedTextDocument& language) {
    const FormulaCheck check = CheckFormula(formula);
    const char* key = nullptr;
    switch (check.problem) {
        case FormulaCheck::Problem::None:
            return {};
        case FormulaCheck::Problem::Empty:
            key = "FORMULA_EMPTY";
            break;
        case FormulaCheck::Problem::UnknownPlaceholder:
            key = "FORMULA_UNKNOWN";
            break;
        case FormulaCheck::Problem::Cut:
            key = "FORMULA_CUT";
            break;
    }
    return FillPlaceholders(language.Get("MessageBox", key), {check.what});
}
