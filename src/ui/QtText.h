#pragma once
#include <QString>
#include <string>

namespace pv::ui {

// The logic's texts (UTF-8) as Qt's, and back.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

// A text the window shows to be read, never one a box edits: a message, a list's line, a window's title.
// A file may carry a control of the writing direction in a name (U+202A to U+202E, U+2066 to U+2069), and
// shown as it is, it turns the rest of its line around and hides itself, so that a name or a whole message
// reads other than it is. Each is shown by its code instead, as "<U+202E>", the way messages name the
// characters they refuse. The marks U+200E, U+200F and U+061C stay: right-to-left text needs them to read
// correctly, and each acts only as one letter of its direction, which turns no run of letters around.
inline QString ToRead(const std::string& text) {
    // Each of them begins with the byte 0xE2 in UTF-8; most texts hold none (a list of 10,000 names).
    if (text.find('\xE2') == std::string::npos) return Q(text);
    QString shown = Q(text);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t c = shown[i].unicode();
        if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
            const QString code = QStringLiteral("<U+%1>").arg(static_cast<uint>(c), 4, 16).toUpper();
            shown.replace(i, 1, code);
            i += code.size() - 1;
        }
    }
    return shown;
}

}  // namespace pv::ui
