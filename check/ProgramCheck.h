#pragma once
// The program check: faults found in a program image before it reaches a relay, without
// running it. Every check follows every path a run can take, whatever the inputs, and
// reports only what is certain (docs/program-check.md describes each check for users):
//
//   loop without time       a cycle of steps a run can go round at one moment, without any
//                           time passing; error when a relay switches in it (it would
//                           chatter), warning otherwise
//   jump past Stop          a jump a run can take to 37..62, where there is no step (error)
//   step that never runs    a step set up differently from the default program that no run
//                           reaches (warning)
//   time that takes none    a time step a run reaches whose fixed time is 0 (warning)
//   unknown range           a time step a run reaches whose range code (7) no relay knows
//                           (warning)
//   constant signal         on model QVS_K115_318, a wait, branch or stop condition whose
//                           signal is the same for every state of the inputs and relays
//                           (warning)
//
// The check reads nothing past the program's 37 steps per channel: a jump target of 37..62
// is a finding, never an index. Every image of the model's size gives a list (possibly
// empty); the work is bounded by the number of steps, relay states and input states.
//
//   const std::vector<ProgramCheck::Finding> findings =
//       ProgramCheck::CheckProgram(doc.GetModelCode(), doc.GetData(), doc.GetDataSize());
//   for (const auto& finding : findings)
//       show(finding.channel, finding.steps.front(), ProgramCheck::FindingText(finding, texts));

#include "ModelTypes.h"
#include "TextFormat.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace Language {
class CLanguageManager;
}

namespace ProgramCheck {

enum class Severity { Warning, Error };

enum class Check {
    LoopWithoutTime,
    JumpPastStop,
    StepNeverRuns,
    TimeTakesNoTime,
    UnknownTimeRange,
    ConstantSignal,
};

struct Finding {
    Check check = Check::LoopWithoutTime;
    Severity severity = Severity::Warning;
    int channel = 0;         // 0-based (0 on the one-channel model)
    std::vector<int> steps;  // the steps concerned, never empty; the first is the one to show
    int textId = 0;          // the text that words the finding: a format of `arguments`, or for
    std::vector<Language::FormatArg> arguments; // a loop, of its steps (see FindingText)
};

// Checks a program image of the model (70 or 226 bytes). Findings come sorted by channel,
// then by their first step, then by check. An unknown model or an image of another size
// gives no findings.
std::vector<Finding> CheckProgram(ModelCode model, const std::uint8_t* image, int size);

// The finding in the current language of the manager.
QString FindingText(const Finding& finding, const Language::CLanguageManager& texts);

// Short stable names for machine-readable output ("loop-without-time", ...).
const char* CheckName(Check check);
const char* SeverityName(Severity severity); // "error" or "warning"

// Counts of a list, for a status line or a question before sending.
struct FindingCounts {
    int errors = 0;
    int warnings = 0;
};
FindingCounts CountFindings(const std::vector<Finding>& findings);

} // namespace ProgramCheck
