#include "ModelDesignation.h"

#include <QStringList>

QString ModelDesignation(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return QStringLiteral("QVR_K115_ZQX");
    case MODEL_QVS_K115_318: return QStringLiteral("QVS_K115_318");
    default: return QString();
    }
}

ModelCode ModelFromDesignation(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    for (ModelCode code : MODEL_CODES)
        if (trimmed.compare(ModelDesignation(code), Qt::CaseInsensitive) == 0)
            return code;
    return 0;
}

QString ModelDesignationList()
{
    QStringList list;
    for (ModelCode code : MODEL_CODES)
        list << ModelDesignation(code);
    return list.join(QStringLiteral(", "));
}
