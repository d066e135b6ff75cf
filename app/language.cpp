#include "app/language.h"

#include "storage/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

namespace {
// Relative to the working directory, not to the executable, with the doubled
// separator as it has always been written.
const char WorkingCatalogue[] = "translations//zorvel_en.qm";
} // namespace

bool loadCatalogue(QTranslator &translator, const QString &language, const QString &programFolder)
{
    if (language != QLatin1String("ru") && translator.load(QLatin1String(WorkingCatalogue)))
        return true;
    if (language != QLatin1String("en"))
        return false;
    for (const QString &folder : programFolders(programFolder)) {
        if (translator.load(QStringLiteral("zorvel_en.qm"), QDir(folder).filePath(QStringLiteral("translations"))))
            return true;
    }
    return false;
}

bool installCatalogue(QCoreApplication &app, QTranslator &translator, const QString &language)
{
    const bool loaded = loadCatalogue(translator, language, QCoreApplication::applicationDirPath());
    app.installTranslator(&translator);
    if (!loaded)
        installToolkitCatalogue(app, translator);
    return loaded;
}

void installToolkitCatalogue(QCoreApplication &app, QTranslator &translator)
{
    // Beside the program first: the Windows package brings its own copy, since
    // Qt's translations folder there names where Qt was built, not a folder of
    // the user's machine.
    auto *toolkit = new QTranslator(&translator);
    const QString name = QStringLiteral("qtbase_ru");
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
    if (toolkit->load(name, beside) || toolkit->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(toolkit);
    else
        delete toolkit;
}

QString noDisplayMessage(const QTranslator &translator)
{
    static const char Text[] = QT_TRANSLATE_NOOP(
        "main", "Окно не открыть: нет экрана (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM). Команды работают без "
                "экрана: zorvel-configurator --help");
    const QString translated = translator.translate("main", Text);
    return translated.isEmpty() ? QString::fromUtf8(Text) : translated;
}

QString launcherLanguage()
{
    const QString language = qEnvironmentVariable("ZORVEL_LANG");
    return language == QLatin1String("ru") || language == QLatin1String("en") ? language : QString();
}
