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

}  // namespace pv::ui
