#include "TimelineScriptModel.h"

#include "LanguageManager.h"
#include "TextIds.h"

#include <QColor>

#include <algorithm>

using namespace Language;

namespace {

constexpr RelayTime SECOND = RELAY_TIME_PER_SECOND;
constexpr RelayTime HOUR = 3600 * SECOND;
const QColor BAD_TIME_BACKGROUND(255, 205, 205);

// The unit the language writes after a number of milliseconds, seconds, minutes or hours
// (its formats 426..429 without the number): "ms", "с", "min", "ч".
QString LanguageUnit(int index)
{
    QString format = TheLanguageManager().Text(TEXT_TIMELINE_MILLISECONDS + index);
    format.remove(QStringLiteral("%g"));
    return format.trimmed();
}

} // namespace

CTimelineScriptModel::CTimelineScriptModel(QObject* parent) : QAbstractTableModel(parent) {}

// ---------------------------------------------------------------- times

bool CTimelineScriptModel::ReadTime(const QString& text, RelayTime* time)
{
    if (ParseRelaySeconds(text, true, time))
        return true;
    static const char* const LATIN[] = {"ms", "s", "min", "h"};
    const QString trimmed = text.trimmed();
    for (int i = 0; i < 4; ++i) {
        const QString unit = LanguageUnit(i);
        if (unit.isEmpty() || !trimmed.endsWith(unit) || trimmed.size() == unit.size())
            continue;
        const QString number = trimmed.chopped(unit.size());
        // "5 min" must not be read as "5 mi" + "n": the number ends with a digit or a space.
        if (!number.back().isDigit() && !number.back().isSpace())
            continue;
        if (ParseRelaySeconds(number + QLatin1String(LATIN[i]), true, time))
            return true;
    }
    return false;
}

QString CTimelineScriptModel::TimeText(RelayTime time)
{
    QString text = QString::fromLatin1(RelayTimeSecondsText(time));
    text.replace(u'.', TheLanguageManager().DecimalPoint());
    return text;
}

QString CTimelineScriptModel::UntilText(RelayTime time)
{
    const bool hours = time >= HOUR && time % HOUR == 0;
    QString unit = LanguageUnit(hours ? 3 : 1);
    if (unit.isEmpty())
        unit = hours ? QStringLiteral("h") : QStringLiteral("s");
    return (hours ? QString::number(time / HOUR) : TimeText(time)) + u' ' + unit;
}

// ---------------------------------------------------------------- rows

void CTimelineScriptModel::SetInputCount(int inputs)
{
    inputs = std::clamp(inputs, 1, 2);
    if (inputs == m_inputs)
        return;
    m_inputs = inputs;
    bool removed = false;
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (m_rows[std::size_t(row)].change.input < inputs)
            continue;
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        removed = true;
    }
    // The input column offers other choices and can be chosen or not.
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, COLUMN_INPUT), index(rowCount() - 1, COLUMN_INPUT));
    if (removed)
        Q_EMIT scriptChanged();
}

std::vector<TimelineInputChange> CTimelineScriptModel::Changes() const
{
    std::vector<TimelineInputChange> changes;
    for (const Row& row : m_rows)
        if (row.valid)
            changes.push_back(row.change);
    return changes;
}

void CTimelineScriptModel::AppendRows(const std::vector<TimelineInputChange>& changes)
{
    if (changes.empty())
        return;
    beginInsertRows({}, rowCount(), rowCount() + int(changes.size()) - 1);
    for (TimelineInputChange change : changes) {
        change.time = std::max<RelayTime>(change.time, 0);
        change.input = std::clamp(change.input, 0, m_inputs - 1);
        change.value = change.value ? 1 : 0;
        m_rows.push_back({change, true, QString()});
    }
    endInsertRows();
}

void CTimelineScriptModel::SetChanges(const std::vector<TimelineInputChange>& changes)
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    AppendRows(changes);
    Q_EMIT scriptChanged();
}

bool CTimelineScriptModel::IsRowValid(int row) const
{
    return row >= 0 && row < rowCount() && m_rows[std::size_t(row)].valid;
}

int CTimelineScriptModel::AddChange()
{
    TimelineInputChange change;
    change.time = SECOND;
    change.value = 1;
    const std::vector<TimelineInputChange> changes = Changes();
    if (!changes.empty()) {
        const auto last = std::max_element(changes.begin(), changes.end(),
                                           [](const auto& a, const auto& b) { return a.time < b.time; });
        change.time = last->time + SECOND;
        change.input = last->input;
        change.value = last->value ? 0 : 1;
    }
    AppendRows({change});
    Q_EMIT scriptChanged();
    return rowCount() - 1;
}

void CTimelineScriptModel::RemoveChanges(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool removed = false;
    for (int row : rows) {
        if (row < 0 || row >= rowCount())
            continue;
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        removed = true;
    }
    if (removed)
        Q_EMIT scriptChanged();
}

// ---------------------------------------------------------------- end and potentiometer

void CTimelineScriptModel::SetUntil(RelayTime until)
{
    m_untilFromProgram = false;
    m_until = std::max<RelayTime>(until, 0);
    Q_EMIT untilChanged();
    Q_EMIT scriptChanged();
}

void CTimelineScriptModel::SetUntilFromProgram()
{
    m_untilFromProgram = true;
    Q_EMIT untilChanged();
    Q_EMIT scriptChanged();
}

void CTimelineScriptModel::SetProgramEnd(RelayTime end)
{
    if (m_untilFromProgram)
        m_until = end;
}

void CTimelineScriptModel::SetPotentiometer(int unit, int value)
{
    m_pot = std::make_pair(unit, value);
    Q_EMIT scriptChanged();
}

void CTimelineScriptModel::ClearPotentiometer()
{
    if (!m_pot)
        return;
    m_pot.reset();
    Q_EMIT scriptChanged();
}

TimelineScript CTimelineScriptModel::Script(int programPotUnit, int programPotValue) const
{
    TimelineScript script;
    script.potUnit = m_pot ? m_pot->first : programPotUnit;
    script.potValue = m_pot ? m_pot->second : programPotValue;
    script.changes = Changes();
    script.until = m_untilFromProgram ? LATEST_UNTIL : m_until;
    script.endFromProgram = m_untilFromProgram;
    return script;
}

void CTimelineScriptModel::SetScript(const TimelineScript& script, bool potentiometer)
{
    if (potentiometer)
        m_pot = std::make_pair(script.potUnit, script.potValue);
    else
        m_pot.reset();
    m_untilFromProgram = script.endFromProgram;
    if (!script.endFromProgram)
        m_until = std::max<RelayTime>(script.until, 0);
    SetChanges(script.changes);
    Q_EMIT untilChanged();
}

void CTimelineScriptModel::LanguageChanged()
{
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, COLUMN_COUNT - 1);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, COLUMN_COUNT - 1));
    Q_EMIT untilChanged();
}

// ---------------------------------------------------------------- item model

int CTimelineScriptModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CTimelineScriptModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant CTimelineScriptModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[std::size_t(index.row())];
    const CLanguageManager& manager = TheLanguageManager();
    switch (index.column()) {
    case COLUMN_TIME:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return row.valid ? TimeText(row.change.time) : row.text;
        case Qt::BackgroundRole: return row.valid ? QVariant() : QVariant(BAD_TIME_BACKGROUND);
        case Qt::ToolTipRole: return row.valid ? QVariant() : QVariant(manager.Text(TEXT_TIMELINE_BAD_TIME));
        default: return {};
        }
    case COLUMN_INPUT: {
        QStringList inputs;
        for (int i = 1; i <= m_inputs; ++i)
            inputs << QString::number(i);
        switch (role) {
        case Qt::DisplayRole: return inputs.value(row.change.input);
        case CHOICE_ROLE: return row.change.input;
        case CHOICES_ROLE: return inputs;
        default: return {};
        }
    }
    case COLUMN_VALUE: {
        const QStringList values{manager.Text(TEXT_TIMELINE_OFF), manager.Text(TEXT_TIMELINE_ON)};
        switch (role) {
        case Qt::DisplayRole: return values.value(row.change.value);
        case CHOICE_ROLE: return row.change.value;
        case CHOICES_ROLE: return values;
        default: return {};
        }
    }
    default: return {};
    }
}

bool CTimelineScriptModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rowCount() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Row& row = m_rows[std::size_t(index.row())];
    const Row before = row;
    if (index.column() == COLUMN_TIME) {
        if (role != Qt::EditRole)
            return false;
        const QString text = value.toString();
        RelayTime time = 0;
        row.valid = ReadTime(text, &time);
        if (row.valid) {
            row.change.time = time;
            row.text.clear();
        } else {
            row.text = text;
        }
        // A time written anew counts as an edit even when it reads the same.
        Q_EMIT dataChanged(index, index);
        Q_EMIT scriptChanged();
        return true;
    }
    if (role != CHOICE_ROLE)
        return false;
    bool ok = false;
    const int choice = value.toInt(&ok);
    const int count = index.column() == COLUMN_INPUT ? m_inputs : 2;
    if (!ok || choice < 0 || choice >= count)
        return false;
    (index.column() == COLUMN_INPUT ? row.change.input : row.change.value) = choice;
    if (row.change.input != before.change.input || row.change.value != before.change.value) {
        Q_EMIT dataChanged(index, index);
        Q_EMIT scriptChanged();
    }
    return true;
}

Qt::ItemFlags CTimelineScriptModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    // A one-input program has nothing to choose in the input column.
    if (index.column() != COLUMN_INPUT || m_inputs > 1)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant CTimelineScriptModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= COLUMN_COUNT)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr int TITLES[COLUMN_COUNT] = {TEXT_TIMELINE_COLUMN_TIME, TEXT_TIMELINE_COLUMN_INPUT,
                                                 TEXT_TIMELINE_COLUMN_VALUE};
    return TheLanguageManager().Text(TITLES[section]);
}
