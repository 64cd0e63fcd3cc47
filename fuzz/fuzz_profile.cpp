// The private-profile reader over arbitrary file bytes: every section and key the file names is
// read back in all the ways the program reads settings, then one key is written and read again.
#include "fuzzsupport.h"
#include "task/profilefile.h"
#include "task/textfile.h"

using namespace pagemint;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    TProfileFile profile(QStringLiteral("unused.ini"), bytes);
    // Untouched, the profile gives back the very bytes it was made of.
    if (profile.Bytes() != bytes)
        std::abort();

    QString section;
    const auto isKnownKey = [](const QString& key) { return key.size() % 2 == 0; };
    for (const QString& line : SplitTextLines(bytes)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.contains(']')) {
            section = trimmed.mid(1, trimmed.indexOf(']') - 1);
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = profile.ReadString(section, key);
        if (value.size() > 2047)
            std::abort();
        profile.ReadInteger(section, key, -7);
        profile.ReadBool(section, key, true);
        profile.ReadContinuedString(section, key, isKnownKey);
        TProfileFile::ParseInteger(value, 0);
    }

    // A plain key written into whatever the file holds reads back as written, line breaks
    // turned into blanks; a later write of a continued value must not disturb it.
    const QList<QByteArray> parts = fuzz::Pieces(bytes.left(64), 2);
    const QString value = QString::fromUtf8(parts.at(1)).left(100);
    const QString clean = TProfileFile::CleanValue(OneLine(value));
    profile.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Key"), value);
    if (profile.ReadString(QStringLiteral("fuzz"), QStringLiteral("KEY")) != clean)
        std::abort();
    profile.WriteContinuedString(QStringLiteral("Fuzz"), QStringLiteral("More"),
                                 {value, value}, isKnownKey);
    if (profile.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Key")) != clean)
        std::abort();
    // The written file reads back to the same content.
    TProfileFile again(QStringLiteral("unused.ini"), profile.Bytes());
    if (again.Bytes() != profile.Bytes())
        std::abort();
    return 0;
}
