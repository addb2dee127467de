#pragma once
#include <QString>

#include <string>
#include <string_view>

// Paths and language texts are 8-bit bytes in Windows-1251. Only the UI converts them, to show
// them and to take back what the user typed. Byte 0x98, unassigned in that code page, maps to
// U+0098 so that every byte survives the round trip; a typed character the code page cannot
// hold becomes '?'.
QString fromLocal8(std::string_view bytes);
std::string toLocal8(const QString& text);
