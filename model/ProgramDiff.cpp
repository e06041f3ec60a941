#include "ProgramDiff.h"

#include "ProgramDescription.h"
#include "QuorvexDoc.h"

#include <algorithm>
#include <cstring>

namespace {

// The steps the description has per channel: Start to the last before Stop.
int DescribedSteps(const CQuorvexDoc& doc)
{
    return doc.GetFieldCount() - 1;
}

// The bytes that belong to one step. The Start field of a two-channel program is shared:
// byte c holds channel c's power-on states, and byte 0 also the start delay of the whole
// program (which the description shows under both channels' Start, so that a change of it
// shows in channel 2's lines).
std::vector<std::pair<const std::uint8_t*, int>> StepBytes(const CQuorvexDoc& doc, int channel, int step)
{
    int kind = 0;
    const std::uint8_t* data = doc.GetFieldData(channel, step, &kind);
    if (!data)
        return {};
    const int size = doc.GetFieldSize(kind);
    if (kind == FIELD_START && doc.GetChannelCount() == 2 && size == 2)
        return {{data + channel, 1}};
    return {{data, size}};
}

bool SameBytes(const CQuorvexDoc& a, const CQuorvexDoc& b, int channel, int step)
{
    const auto bytesA = StepBytes(a, channel, step);
    const auto bytesB = StepBytes(b, channel, step);
    if (bytesA.size() != bytesB.size())
        return false;
    for (std::size_t i = 0; i < bytesA.size(); ++i)
        if (bytesA[i].second != bytesB[i].second
            || std::memcmp(bytesA[i].first, bytesB[i].first, std::size_t(bytesA[i].second)) != 0)
            return false;
    return true;
}

// The description cut into its sections, one per step: each is its title, the separator
// line and the step's lines, and ends with an empty line.
QList<QStringList> Sections(const QString& description)
{
    QList<QStringList> sections;
    QStringList current;
    for (const QString& line : description.split(QStringLiteral("\r\n"))) {
        if (line.isEmpty()) {
            if (!current.isEmpty())
                sections << current;
            current.clear();
        } else {
            current << line;
        }
    }
    if (!current.isEmpty())
        sections << current;
    return sections;
}

// A section's lines below its title and separator.
QStringList Body(const QStringList& section)
{
    return section.size() > 2 ? section.mid(2) : QStringList();
}

} // namespace

ProgramDifference ComparePrograms(CQuorvexDoc& a, CQuorvexDoc& b, Language::CLanguageManager& manager)
{
    ProgramDifference result;
    if (a.GetModelCode() != b.GetModelCode() || a.GetDataSize() != b.GetDataSize()) {
        result.sameModel = false;
        return result;
    }
    if (std::memcmp(a.GetData(), b.GetData(), std::size_t(a.GetDataSize())) == 0)
        return result;

    const QList<QStringList> sectionsA = Sections(DescribeProgram(a, manager));
    const QList<QStringList> sectionsB = Sections(DescribeProgram(b, manager));
    const int steps = DescribedSteps(a);
    const int channels = a.GetChannelCount();
    const bool described = sectionsA.size() == channels * steps && sectionsB.size() == sectionsA.size();
    bool anyStep = false;
    for (int channel = 0; channel < channels; ++channel) {
        for (int step = 0; step < steps; ++step) {
            const int index = channel * steps + step;
            const bool bytesEqual = SameBytes(a, b, channel, step);
            const QStringList linesA = described ? Body(sectionsA[index]) : QStringList();
            const QStringList linesB = described ? Body(sectionsB[index]) : QStringList();
            // A step whose own bytes are equal can still read differently when it shows
            // what another step holds (the shared start delay).
            if (bytesEqual && linesA == linesB)
                continue;
            StepDifference difference;
            difference.channel = channel;
            difference.step = step;
            difference.title = described ? sectionsA[index].value(0) : QString();
            difference.linesA = linesA;
            difference.linesB = linesB;
            difference.hiddenOnly = linesA == linesB;
            result.steps.push_back(difference);
            anyStep = true;
        }
    }
    result.otherBytes = !anyStep;
    return result;
}
