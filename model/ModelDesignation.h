#pragma once
// The designations of the relay models ("QVR_K115_ZQX", "QVS_K115_318") as program texts,
// scenarios, print-outs, the window and the tools write and read them.

#include "ModelTypes.h"

#include <QString>
#include <QStringView>

// Both models, in the order the program offers them.
inline constexpr ModelCode MODEL_CODES[] = {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318};

// The designation of a model code (its model number decides); empty for an unknown code.
QString ModelDesignation(ModelCode code);
// The model a designation names, in any letter case and with spaces around it; 0 for none.
ModelCode ModelFromDesignation(QStringView text);
// Every designation, as an error message lists what would fit: "QVR_K115_ZQX, QVS_K115_318".
QString ModelDesignationList();
