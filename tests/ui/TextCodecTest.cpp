#include "ui/text/TextCodec.h"
#include "ui/text/QtPrompts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string allByteValues()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

TEST(TextCodec, EveryByteSurvivesTheRoundTrip)
{
    const std::string bytes = allByteValues();
    const QString text = fromLocal8(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toLocal8(text), bytes);
    // A reversible mapping needs 256 different characters.
    std::set<char16_t> distinct;
    for (const QChar c : text)
        distinct.insert(c.unicode());
    EXPECT_EQ(distinct.size(), 256u);
}

TEST(TextCodec, MapsBytesToWindows1251)
{
    const struct {
        unsigned char byte;
        char16_t unicode;
    } rows[] = {
        {0x41, u'A'},   {0x80, 0x0402}, {0x88, 0x20AC}, {0x98, 0x0098}, {0xA0, 0x00A0},
        {0xA8, 0x0401}, {0xB9, 0x2116}, {0xC0, 0x0410}, {0xDF, 0x042F}, {0xFF, 0x044F},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.byte);
        const std::string byte(1, static_cast<char>(row.byte));
        const QString text = fromLocal8(byte);
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text[0].unicode(), row.unicode);
        EXPECT_EQ(toLocal8(QString(QChar(row.unicode))), byte);
    }
}

TEST(TextCodec, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const struct {
        QString typed;
        std::string bytes;
    } rows[] = {
        {QStringLiteral("\u00FC"), "?"},         // u with umlaut
        {QStringLiteral("\u4E2D"), "?"},         // a CJK character
        {QStringLiteral("a\U0001F600b"), "a?b"}, // an emoji is one '?', not two
        {QStringLiteral("\U0001F600\U0001F600"), "??"},
        {QString(QChar(0xD800)), "?"}, // a lone surrogate
        {QStringLiteral("/a/\u0444\u0430\u0439\u043B"), "/a/\xF4\xE0\xE9\xEB"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        EXPECT_EQ(toLocal8(row.typed), row.bytes);
    }
}

TEST(LocalFileErrorText, LocalNamesAreShownAsTheFileSystemSpellsThem)
{
    // A folder named "прог" in UTF-8, after a text in the phone's code page ("Ошибка: ").
    const std::string folder = "/home/\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB3";
    EXPECT_EQ(localFileErrorText("\xCE\xF8\xE8\xE1\xEA\xE0: ", folder + "/Zandrel.ini"),
              QStringLiteral("\u041E\u0448\u0438\u0431\u043A\u0430: /home/"
                             "\u043F\u0440\u043E\u0433/Zandrel.ini."));
    EXPECT_EQ(localFileErrorText("File too large to send: ", folder + "/"),
              QStringLiteral("File too large to send: /home/\u043F\u0440\u043E\u0433/."));
    EXPECT_EQ(localFileErrorText("Unable to write to ", "a-"),
              QStringLiteral("Unable to write to a-"));
}
} // namespace
