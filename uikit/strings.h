#pragma once

// The numbered texts of the windows, loaded by number.

#include <QString>

namespace Strings
{
    // The text with the given number; an empty text for a number the table does not hold.
    QString LoadStr(int id);
} // namespace Strings
