#include "app/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTranslator>

namespace {
// Relative to the working directory, not to the executable, with the doubled
// separator as it has always been written.
const char WorkingCatalogue[] = "translations//zorvel_en.qm";
} // namespace

bool installCatalogue(QCoreApplication &app, QTranslator &translator, const QString &language)
{
    bool loaded = false;
    if (language != QLatin1String("ru"))
        loaded = translator.load(QLatin1String(WorkingCatalogue));
    if (!loaded && language == QLatin1String("en")) {
        const QDir program(QCoreApplication::applicationDirPath());
        for (const char *place : {"translations", "../../share/zorvel-configurator/translations"}) {
            if (translator.load(QStringLiteral("zorvel_en.qm"), program.filePath(QLatin1String(place)))) {
                loaded = true;
                break;
            }
        }
    }
    app.installTranslator(&translator);
    return loaded;
}

QString requestedLanguage(const QStringList &arguments, bool *ok)
{
    *ok = true;
    const int at = arguments.indexOf(QStringLiteral("--lang"));
    if (at < 0)
        return QString();
    const QString language = arguments.value(at + 1);
    *ok = language == QLatin1String("ru") || language == QLatin1String("en");
    return language;
}
