#pragma once

// Readable GoogleTest output for Qt texts (found by argument-dependent lookup, so in the global namespace).

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toUtf8().toStdString() << '"';
}
