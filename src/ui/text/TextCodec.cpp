#include "ui/text/TextCodec.h"

#include "base/Windows1251.h"

#include <unordered_map>

namespace {
// The reverse of the code page's high half, looked up once per typed character.
const std::unordered_map<char16_t, char>& reverseTable()
{
    static const auto table = [] {
        std::unordered_map<char16_t, char> map;
        for (std::size_t i = 0; i < windows1251::kHighBytes.size(); ++i)
            map.emplace(windows1251::kHighBytes[i], static_cast<char>(0x80 + i));
        return map;
    }();
    return table;
}
} // namespace

QString fromLocal8(std::string_view bytes)
{
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(windows1251::toUnicode(byte));
    }
    return text;
}

std::string toLocal8(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const auto& table = reverseTable();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one character outside the code page, one '?'
            bytes.push_back('?');
        } else if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
        } else if (const auto it = table.find(unit); it != table.end()) {
            bytes.push_back(it->second);
        } else {
            bytes.push_back('?');
        }
    }
    return bytes;
}
