#pragma once
// Paths of the program's pictures in the Qt resource system, by resource ID.

#include <QString>

inline QString ResourcePath(int resourceId)
{
    return QStringLiteral(":/%1.svg").arg(resourceId);
}
