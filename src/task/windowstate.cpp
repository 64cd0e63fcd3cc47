#include "task/windowstate.h"

#include "task/profilefile.h"

using namespace pagemint;

namespace {

const QString kSection = QString::fromLatin1(kWindowStateSection);
const QString kGeometry = QStringLiteral("Geometry");
const QString kTab = QStringLiteral("Tab");
const QString kTask = QStringLiteral("Task");

QString SplitterKey(std::size_t index)
{
    return QStringLiteral("Splitter%1").arg(index + 1);
}

/** Whole numbers separated by commas; an empty list when any part is not a plain decimal
 *  number within [minimum, 1000000]. */
QList<int> ParseNumbers(const QString& text, int minimum)
{
    QList<int> numbers;
    if (text.trimmed().isEmpty())
        return numbers;
    const QStringList parts = text.split(u',');
    for (const QString& part : parts) {
        const QString digits = part.trimmed();
        bool ok = !digits.isEmpty();
        for (qsizetype i = 0; ok && i < digits.size(); ++i)
            ok = digits.at(i).isDigit() || (i == 0 && digits.at(i) == u'-' && digits.size() > 1);
        const int value = ok ? digits.toInt(&ok) : 0;
        if (!ok || value < minimum || value > 1000000)
            return {};
        numbers.append(value);
    }
    return numbers;
}

QString JoinNumbers(const QList<int>& numbers)
{
    QStringList parts;
    parts.reserve(numbers.size());
    for (int n : numbers)
        parts.append(QString::number(n));
    return parts.join(u',');
}

} // namespace

TWindowState pagemint::ReadWindowState(const QString& path)
{
    const TProfileFile ini(path);
    TWindowState state;

    const QList<int> frame = ParseNumbers(ini.ReadString(kSection, kGeometry), -1000000);
    if (frame.size() == 4 && frame[2] > 0 && frame[3] > 0) {
        state.X = frame[0];
        state.Y = frame[1];
        state.Width = frame[2];
        state.Height = frame[3];
    }

    for (std::size_t i = 0; i < kMaxWindowSplitters; ++i)
        state.Splitters.push_back(ParseNumbers(ini.ReadString(kSection, SplitterKey(i)), 0));
    while (!state.Splitters.empty() && state.Splitters.back().isEmpty())
        state.Splitters.pop_back();

    const int tab = ini.ReadInteger(kSection, kTab, -1);
    state.TabIndex = tab >= 0 ? tab : -1;
    state.TaskName = ini.ReadString(kSection, kTask);
    return state;
}

void pagemint::WriteWindowState(const QString& path, const TWindowState& state)
{
    TProfileFile ini(path);
    ini.WriteString(kSection, kGeometry,
                    state.HasGeometry() ? JoinNumbers({state.X, state.Y, state.Width, state.Height}) : QString());
    const std::size_t count = std::min(state.Splitters.size(), kMaxWindowSplitters);
    for (std::size_t i = 0; i < kMaxWindowSplitters; ++i) {
        // Keys of splitters the window no longer has are emptied only when they exist, so a
        // window with one splitter writes one key.
        if (i < count)
            ini.WriteString(kSection, SplitterKey(i), JoinNumbers(state.Splitters[i]));
        else if (!ini.ReadString(kSection, SplitterKey(i)).isEmpty())
            ini.WriteString(kSection, SplitterKey(i), QString());
    }
    ini.WriteInteger(kSection, kTab, state.TabIndex >= 0 ? state.TabIndex : -1);
    // Quoted, so that blanks or quotes at the ends of a task name survive the read, which drops
    // blanks and one pair of enclosing quotes.
    ini.WriteString(kSection, kTask, u'"' + state.TaskName + u'"');
    ini.Save();
}
