#include "app/language.h"

#include <QCoreApplication>
#include <QTranslator>

bool installCatalogue(QCoreApplication &app, QTranslator &translator)
{
    const bool loaded = translator.load(QStringLiteral("translations//zorvel_en.qm"));
    app.installTranslator(&translator);
    return loaded;
}
