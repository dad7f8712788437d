// UTF-16 text as Qt holds it, without a copy through another encoding.
#pragma once

#include <QString>

#include <string_view>

namespace brisel {

inline QString qtText(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace brisel
