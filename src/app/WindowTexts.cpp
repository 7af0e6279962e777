#include "app/WindowTexts.h"

#include <QAbstractButton>
#include <QStringList>
#include <QTextLayout>
#include <QToolTip>

namespace {
// Longer tips wrap, in every language at the same width.
constexpr int TOOLTIP_WIDTH = 300;
}  // namespace

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// Left to wrap by itself, a tip picks its width from the text's break
// opportunities: an English tip ran across the screen on one line while a
// Japanese one, breakable between any two characters, came out in a narrow
// column.
QString WrappedToolTip(const QString& text) {
    QTextLayout layout(text, QToolTip::font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(TOOLTIP_WIDTH);
        lines << text.mid(line.textStart(), line.textLength()).trimmed().toHtmlEscaped();
    }
    layout.endLayout();
    return "<p style='white-space:nowrap'>" + lines.join("<br>") + "</p>";
}

void SetCaption(QAbstractButton& button, const std::string& text) {
    if (!text.empty()) button.setText(ToQString(text));
}

void SetToolTip(QWidget& control, const std::string& text) {
    control.setToolTip(text.empty() ? QString() : WrappedToolTip(ToQString(text)));
}
