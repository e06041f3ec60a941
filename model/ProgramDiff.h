#pragma once
// Which steps of two programs differ, in the words of the program description: the PC's
// program against the relay's, or two files.

#include <QString>
#include <QStringList>

#include <vector>

class CQuorvexDoc;
namespace Language {
class CLanguageManager;
}

// One step whose bytes differ.
struct StepDifference {
    int channel = 0;       // 0-based
    int step = 0;          // field index, 0 (Start) to 35
    QString title;         // the description's title of the step ("Channel 1, step 4")
    QStringList linesA;    // the description's lines of the step, without the title
    QStringList linesB;
    // The step's bytes differ in bits that the description does not show (its lines are
    // equal).
    bool hiddenOnly = false;
};

struct ProgramDifference {
    bool sameModel = true;
    std::vector<StepDifference> steps; // in description order
    // The images differ outside every step (nothing to show per step).
    bool otherBytes = false;
    bool Equal() const { return sameModel && steps.empty() && !otherBytes; }
};

// Compares two programs byte for byte, step by step, and describes the steps that differ in
// the current language of the manager. Programs of different models are not compared
// further (sameModel false).
ProgramDifference ComparePrograms(CQuorvexDoc& a, CQuorvexDoc& b, Language::CLanguageManager& manager);
