#include "download/SettingsFile.h"

#include "util/AnsiText.h"

#include <QFile>

TSettingsFile::TSettingsFile(const QByteArray& bytes)
{
    qsizetype current = -1; // none before the first header and inside a repeated section
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray raw = bytes.mid(start, end - start);
        start = end + 1;
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.isEmpty() || raw == "\x1a")
            continue;
        // Decoded line by line so that a broken double-byte character cannot swallow a line break.
        const QString line = FromAnsi(raw);
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2);
            if (Find(name)) {
                current = -1;
            } else {
                FSections.append(Section{name, {}});
                current = FSections.size() - 1;
            }
            continue;
        }
        if (current >= 0)
            FSections[current].lines.append(line);
    }
}

bool TSettingsFile::Load(const QString& path)
{
    FSections.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *this = TSettingsFile(file.readAll());
    return true;
}

const TSettingsFile::Section* TSettingsFile::Find(const QString& section) const
{
    for (const Section& s : FSections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

bool TSettingsFile::SectionExists(const QString& section) const
{
    return Find(section) != nullptr;
}

QString TSettingsFile::ReadString(const QString& section, const QString& key) const
{
    const Section* s = Find(section);
    if (!s)
        return QString();
    for (const QString& line : s->lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

QStringList TSettingsFile::SectionLines(const QString& section) const
{
    const Section* s = Find(section);
    return s ? s->lines : QStringList();
}
