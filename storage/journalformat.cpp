// The journal's words and its two exports: the text a terminal shows, and
// CSV (RFC 4180) that spreadsheets open.
#include "storage/journal.h"

#include "protocol/profile.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString words(const JournalEntry::Parameters &parameters)
{
    return Profile::fromFrame(parameters.data()).summary();
}

QString hex(const std::optional<JournalEntry::Parameters> &parameters)
{
    if (!parameters)
        return {};
    const QByteArray raw(reinterpret_cast<const char *>(parameters->data()), int(parameters->size()));
    return QString::fromLatin1(raw.toHex(' '));
}

// One CSV field: quoted when it holds a quote, the separator or a line break,
// with quotes doubled.
QByteArray csvField(const QString &text, char separator)
{
    QByteArray field = text.toUtf8();
    if (field.contains('"') || field.contains(separator) || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

// The CSV's columns, in the order of Journal::toCsv's fields.
const char *const CsvColumns[] = {
    QT_TRANSLATE_NOOP("Journal", "№"),          QT_TRANSLATE_NOOP("Journal", "Время (UTC)"),
    QT_TRANSLATE_NOOP("Journal", "Источник"),   QT_TRANSLATE_NOOP("Journal", "Действие"),
    QT_TRANSLATE_NOOP("Journal", "Результат"),  QT_TRANSLATE_NOOP("Journal", "Записано"),
    QT_TRANSLATE_NOOP("Journal", "Прочитано"),  QT_TRANSLATE_NOOP("Journal", "Дата"),
    QT_TRANSLATE_NOOP("Journal", "Примечание"), QT_TRANSLATE_NOOP("Journal", "Что не удалось"),
    QT_TRANSLATE_NOOP("Journal", "Байты записи"), QT_TRANSLATE_NOOP("Journal", "Байты чтения"),
    QT_TRANSLATE_NOOP("Journal", "Попыток"),
};

QByteArray csvRecord(const QStringList &fields, char separator)
{
    QByteArray record;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += separator;
        record += csvField(fields.at(i), separator);
    }
    return record + "\r\n";
}

} // namespace

QString Journal::sourceText(JournalEntry::Source source)
{
    return source == JournalEntry::Source::Window ? QCoreApplication::translate("Journal", "окно")
                                                  : QCoreApplication::translate("Journal", "командная строка");
}

QString Journal::originText(const JournalEntry &entry)
{
    if (!entry.demo)
        return sourceText(entry.source);
    return QCoreApplication::translate("Journal", "%1, демо").arg(sourceText(entry.source));
}

QString Journal::kindText(JournalEntry::Kind kind)
{
    switch (kind) {
    case JournalEntry::Kind::ParameterRead: return QCoreApplication::translate("Journal", "Чтение параметров");
    case JournalEntry::Kind::Write: return QCoreApplication::translate("Journal", "Запись параметров");
    case JournalEntry::Kind::DateSet: return QCoreApplication::translate("Journal", "Установка даты");
    case JournalEntry::Kind::DateRead: return QCoreApplication::translate("Journal", "Чтение даты");
    }
    return {};
}

QString Journal::resultText(const JournalEntry &entry)
{
    QString text;
    switch (entry.result) {
    case JournalEntry::Result::Ok: text = QCoreApplication::translate("Journal", "успешно"); break;
    case JournalEntry::Result::Mismatch:
        text = QCoreApplication::translate("Journal", "прочитано не то, что записано");
        break;
    case JournalEntry::Result::Failed:
        text = entry.failure.isEmpty() ? QCoreApplication::translate("Journal", "ошибка")
                                       : QCoreApplication::translate("Journal", "ошибка: %1").arg(entry.failure);
        break;
    }
    if (entry.tries > 1)
        text = QCoreApplication::translate("Journal", "%1 (попыток: %2)").arg(text).arg(entry.tries);
    return text;
}

QString Journal::detailsText(const JournalEntry &entry)
{
    QStringList parts;
    if (entry.written && entry.read && *entry.written == *entry.read) {
        parts << words(*entry.written);
    } else if (entry.written || entry.read) {
        if (entry.written)
            parts << QCoreApplication::translate("Journal", "записано: %1").arg(words(*entry.written));
        // A read alone needs no label; beside what was written it does.
        if (entry.read && entry.written)
            parts << QCoreApplication::translate("Journal", "прочитано: %1").arg(words(*entry.read));
        else if (entry.read)
            parts << words(*entry.read);
    }
    if (entry.date)
        parts << entry.date->toString(Qt::ISODate);
    return parts.join(QStringLiteral("; "));
}

QByteArray Journal::toCsv(const QVector<JournalEntry> &entries, char separator)
{
    QByteArray csv = "\xEF\xBB\xBF";
    QStringList header;
    for (const char *title : CsvColumns)
        header << QCoreApplication::translate("Journal", title);
    csv += csvRecord(header, separator);
    for (const JournalEntry &entry : entries) {
        csv += csvRecord({QString::number(entry.id), entry.time.toUTC().toString(Qt::ISODate), originText(entry),
                          kindText(entry.kind), resultText(entry), entry.written ? words(*entry.written) : QString(),
                          entry.read ? words(*entry.read) : QString(),
                          entry.date ? entry.date->toString(Qt::ISODate) : QString(), entry.note, entry.failure,
                          hex(entry.written), hex(entry.read), QString::number(qMax(1, entry.tries))},
                         separator);
    }
    return csv;
}

QString Journal::toText(const QVector<JournalEntry> &entries)
{
    QString text;
    for (const JournalEntry &entry : entries) {
        text += QStringLiteral("%1  %2: %3 (%4)\n")
                    .arg(entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), kindText(entry.kind),
                         resultText(entry), originText(entry));
        const QString details = detailsText(entry);
        if (!details.isEmpty())
            text += QStringLiteral("    ") + details + QLatin1Char('\n');
        if (!entry.note.isEmpty())
            text += QStringLiteral("    ") + QCoreApplication::translate("Journal", "Примечание: %1").arg(entry.note)
                + QLatin1Char('\n');
    }
    return text;
}
