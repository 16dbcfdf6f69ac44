#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The service's settings file: INI-like text in Shift_JIS. Read whole, once. Sections are found
// without regard to case and only their first occurrence counts; lines are kept exactly as they
// stand (no trimming, no comment syntax).
class TSettingsFile
{
public:
    TSettingsFile() = default;
    explicit TSettingsFile(const QByteArray& bytes);
    // Reads the file at path; false (and an empty file) when it cannot be read.
    bool Load(const QString& path);

    bool SectionExists(const QString& section) const;
    // The value after the first "=" on the first line of the section whose text before that "="
    // equals the key (case-insensitive); the empty text when there is none.
    QString ReadString(const QString& section, const QString& key) const;
    // Every line of the section, in order, unchanged.
    QStringList SectionLines(const QString& section) const;

private:
    struct Section
    {
        QString name;
        QStringList lines;
    };
    const Section* Find(const QString& section) const;
    QList<Section> FSections;
};
